# quill_add_layer(<target> DEPS <targets...>)
# One static library per source folder. Sources are picked up from the folder
# (and, for the platform layer, its per-OS subfolder), so adding a file needs no
# edit here. DEPS names every layer whose headers the folder's files include,
# not only those it reaches through another: the layer check holds it to that.
function(quill_add_layer target)
  cmake_parse_arguments(ARG "" "" "DEPS;SUBDIRS" ${ARGN})
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
               ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(sub ${ARG_SUBDIRS})
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp
                         ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.h)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  # Nothing of a layer is compiled before its includes have been checked.
  add_dependencies(${target} quill_layer_check)

  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL PROPERTY QUILL_LAYER_TARGET_${folder} ${target})
  set_property(GLOBAL PROPERTY QUILL_LAYER_DEPS_${target} ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY QUILL_LAYER_LIBRARIES ${target})
endfunction()

# quill_add_layer_deps(<target> <layers...>)
# Declares more layers that an existing layer uses, as its DEPS would.
function(quill_add_layer_deps target)
  target_link_libraries(${target} PUBLIC ${ARGN})
  set_property(GLOBAL APPEND PROPERTY QUILL_LAYER_DEPS_${target} ${ARGN})
endfunction()

# quill_check_layers(<folders...>)
# Called once, after every layer has been added, with the layers' folders
# below src/, bottom to top. Checks now that each library's DEPS point down
# the order, and adds the target quill_layer_check, part of every build, that
# runs cmake/CheckLayers.cmake over the includes of src/.
function(quill_check_layers)
  set(names "")
  foreach(folder ${ARGN})
    get_property(target GLOBAL PROPERTY QUILL_LAYER_TARGET_${folder})
    if(target)
      list(APPEND names ${target})
    else()
      list(APPEND names ${folder}) # a folder of programs, not a library
    endif()
  endforeach()

  set(config "set(QUILL_SRC [==[${PROJECT_SOURCE_DIR}/src]==])\n")
  string(APPEND config "set(QUILL_LAYER_DIRS ${ARGN})\nset(QUILL_LAYER_NAMES ${names})\n")
  set(index 0)
  foreach(name ${names})
    get_property(libraries GLOBAL PROPERTY QUILL_LAYER_LIBRARIES)
    if(name IN_LIST libraries)
      get_property(deps GLOBAL PROPERTY QUILL_LAYER_DEPS_${name})
      set(layerDeps "")
      foreach(dep ${deps})
        list(FIND names ${dep} depIndex)
        if(depIndex GREATER_EQUAL index)
          message(FATAL_ERROR "Layer ${name} names ${dep} in its DEPS, but ${dep} is not below "
                              "it in QUILL_LAYERS (${names})")
        elseif(depIndex GREATER_EQUAL 0)
          list(APPEND layerDeps ${dep})
        endif()
      endforeach()
      string(APPEND config "set(QUILL_LAYER_DEPS_${name} \"${layerDeps}\")\n")
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  set(configFile ${PROJECT_BINARY_DIR}/QuillLayers.cmake)
  file(CONFIGURE OUTPUT ${configFile} CONTENT "${config}" @ONLY)

  file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.h
                                              ${PROJECT_SOURCE_DIR}/src/*.hpp
                                              ${PROJECT_SOURCE_DIR}/src/*.cpp)
  set(stamp ${PROJECT_BINARY_DIR}/quill_layer_check.stamp)
  set(script ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DQUILL_LAYER_CONFIG=${configFile} -P ${script}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${script} ${configFile} ${checked}
    COMMENT "Checking that no layer includes one above it"
    VERBATIM)
  add_custom_target(quill_layer_check ALL DEPENDS ${stamp})
endfunction()

# quill_add_test_suite(<layer> DEPS <targets...>)
# One GoogleTest executable per layer, registered with CTest.
function(quill_add_test_suite layer)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(target test_${layer})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} testcommon GTest::gtest GTest::gmock)
  include(GoogleTest)
  # The layer's name as a label: scripts/test.sh picks suites by it. Every
  # property takes one value: gtest_discover_tests passes each item of a list
  # to set_tests_properties as an argument of its own, so a two-item
  # ENVIRONMENT lost its second item and every property after it.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${layer} TIMEOUT 300 ENVIRONMENT QT_QPA_PLATFORM=offscreen
               ENVIRONMENT_MODIFICATION LC_ALL=set:C.UTF-8)
endfunction()
