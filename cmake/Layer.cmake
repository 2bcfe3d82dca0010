# quill_add_layer(<target> DEPS <targets...>)
# One static library per source folder. Sources are picked up from the folder
# (and, for the platform layer, its per-OS subfolder), so adding a file needs no
# edit here. DEPS names every layer and every Qt module (Qt6::Widgets brings
# the modules Qt itself says it needs) whose headers the folder's files
# include, not only those it reaches through another: the layer check holds it
# to that.
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

# The Qt modules' header folders (QtCore, QtWidgets, ...) that target
# brings, itself and through what it links, as Qt declares them: Qt6::Widgets
# brings QtGui and QtCore. Layers are not followed: each names its own.
function(quill_qt_modules_of target out)
  set(modules "")
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending item)
    string(REGEX REPLACE "^Qt::" "Qt6::" item "${item}")
    if(item IN_LIST seen OR NOT item MATCHES "^Qt6::" OR NOT TARGET ${item})
      continue()
    endif()
    list(APPEND seen ${item})
    get_target_property(includes ${item} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(dir IN LISTS includes)
      get_filename_component(name "${dir}" NAME)
      get_filename_component(parent "${dir}" DIRECTORY)
      if(name MATCHES "^Qt" AND parent STREQUAL QUILL_QT_INCLUDE_ROOT)
        list(APPEND modules ${name})
      endif()
    endforeach()
    get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
    if(links)
      list(APPEND pending ${links})
    endif()
  endwhile()
  list(REMOVE_DUPLICATES modules)
  list(SORT modules)
  set(${out} "${modules}" PARENT_SCOPE)
endfunction()

# The Qt modules a program may include: all that it reaches through what it
# links, layers included, since a program only wires the layers together.
function(quill_program_qt_modules target out)
  set(modules "")
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending item)
    string(REGEX REPLACE "^Qt::" "Qt6::" item "${item}")
    if(item IN_LIST seen OR NOT TARGET ${item})
      continue()
    endif()
    list(APPEND seen ${item})
    if(item MATCHES "^Qt6::")
      quill_qt_modules_of(${item} reached)
      list(APPEND modules ${reached})
    endif()
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(links ${item} ${property})
      if(links)
        list(APPEND pending ${links})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES modules)
  set(${out} "${modules}" PARENT_SCOPE)
endfunction()

# quill_check_layers(<folders...> FILE_SYSTEM <folders...> EXCEPTIONS <file>)
# Called once, after every layer has been added, with the layers' folders
# below src/, bottom to top; FILE_SYSTEM names the folders whose files may
# call the file system, EXCEPTIONS the one list of calls allowed elsewhere.
# Checks now that each library's DEPS point down the order, and adds the
# target quill_layer_check, part of every build, that runs
# cmake/CheckLayers.cmake over src/: its includes of our layers and of Qt's
# modules, and its calls of the file system.
function(quill_check_layers)
  cmake_parse_arguments(ARG "" "EXCEPTIONS" "FILE_SYSTEM" ${ARGN})
  set(folders ${ARG_UNPARSED_ARGUMENTS})
  set(names "")
  foreach(folder ${folders})
    get_property(target GLOBAL PROPERTY QUILL_LAYER_TARGET_${folder})
    if(target)
      list(APPEND names ${target})
    else()
      list(APPEND names ${folder}) # a folder of programs, not a library
    endif()
  endforeach()

  get_target_property(qtIncludes Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
  foreach(dir IN LISTS qtIncludes)
    if(dir MATCHES "/QtCore$")
      get_filename_component(QUILL_QT_INCLUDE_ROOT "${dir}" DIRECTORY)
    endif()
  endforeach()
  include(${PROJECT_SOURCE_DIR}/cmake/QtHeaderMap.cmake)
  set(qtMap ${PROJECT_BINARY_DIR}/QuillQtHeaders.cmake)
  quill_write_qt_header_map("${QUILL_QT_INCLUDE_ROOT}" ${qtMap})

  set(config "set(QUILL_SRC [==[${PROJECT_SOURCE_DIR}/src]==])\n")
  string(APPEND config "set(QUILL_LAYER_DIRS ${folders})\nset(QUILL_LAYER_NAMES ${names})\n")
  string(APPEND config "set(QUILL_FILE_SYSTEM_DIRS ${ARG_FILE_SYSTEM})\n")
  string(APPEND config "set(QUILL_LAYER_EXCEPTIONS [==[${ARG_EXCEPTIONS}]==])\n")
  string(APPEND config "set(QUILL_QT_HEADER_MAP [==[${qtMap}]==])\n")
  get_property(libraries GLOBAL PROPERTY QUILL_LAYER_LIBRARIES)
  set(index 0)
  foreach(name ${names})
    if(name IN_LIST libraries)
      get_property(deps GLOBAL PROPERTY QUILL_LAYER_DEPS_${name})
      set(layerDeps "")
      set(qtModules "")
      foreach(dep ${deps})
        list(FIND names ${dep} depIndex)
        if(depIndex GREATER_EQUAL index)
          message(FATAL_ERROR "Layer ${name} names ${dep} in its DEPS, but ${dep} is not below "
                              "it in QUILL_LAYERS (${names})")
        elseif(depIndex GREATER_EQUAL 0)
          list(APPEND layerDeps ${dep})
        else()
          quill_qt_modules_of(${dep} modules)
          list(APPEND qtModules ${modules})
        endif()
      endforeach()
      list(REMOVE_DUPLICATES qtModules)
      string(APPEND config "set(QUILL_LAYER_DEPS_${name} \"${layerDeps}\")\n")
      string(APPEND config "set(QUILL_LAYER_QT_${name} \"${qtModules}\")\n")
    else()
      # The programs' own files: each may include what its program links.
      list(GET folders ${index} folder)
      get_property(programs DIRECTORY ${PROJECT_SOURCE_DIR}/src/${folder}
                   PROPERTY BUILDSYSTEM_TARGETS)
      foreach(program IN LISTS programs)
        quill_program_qt_modules(${program} modules)
        get_target_property(sources ${program} SOURCES)
        foreach(source IN LISTS sources)
          cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/src/${folder})
          file(RELATIVE_PATH source ${PROJECT_SOURCE_DIR}/src ${source})
          string(APPEND config "set(QUILL_FILE_QT_${source} \"${modules}\")\n")
        endforeach()
      endforeach()
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
    DEPENDS ${script} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerCalls.cmake ${configFile} ${qtMap}
            ${ARG_EXCEPTIONS} ${checked}
    COMMENT "Checking the layers' includes and file-system calls"
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
