# Run by the build (target quill_layer_check, see quill_check_layers) as
#   cmake -DQUILL_LAYER_CONFIG=<file> -P CheckLayers.cmake
# Reads every file under src/ and fails, naming file and line, when a file
#  - includes a header of a layer above its own, or of a layer below that its
#    library does not name in DEPS;
#  - includes a header of a Qt module that its layer does not name in DEPS
#    (<QWidget> and <QtWidgets/QWidget> alike), or that its program does not
#    link;
#  - calls the file system outside the layers allowed to (CheckLayerCalls.cmake),
#    unless the one list of exceptions names that call with its reason.
# The config file, written at configure time from QUILL_LAYERS, gives:
#   QUILL_SRC              the src/ folder
#   QUILL_LAYER_DIRS       the layers' folders below src/, bottom to top
#   QUILL_LAYER_NAMES      their names (the library's target, else the folder)
#   QUILL_LAYER_DEPS_<n>   the layers that layer n declares; unset for a layer
#                          that is no library (the programs), whose links are
#                          not checked
#   QUILL_LAYER_QT_<n>     the Qt modules (QtCore, ...) layer n may include
#   QUILL_FILE_QT_<file>   the same for a program's file (path below src/)
#   QUILL_QT_HEADER_MAP    the file of QtHeaderMap.cmake: Qt's headers
#   QUILL_FILE_SYSTEM_DIRS the folders below src/ that may call the file system
#   QUILL_LAYER_EXCEPTIONS the list of calls allowed elsewhere
cmake_minimum_required(VERSION 3.25)

include(${QUILL_LAYER_CONFIG})
include(${QUILL_QT_HEADER_MAP})
include(${CMAKE_CURRENT_LIST_DIR}/CheckLayerCalls.cmake)

# The index in QUILL_LAYER_DIRS of the layer that holds rel (a path below
# src/), -1 for none. The longest folder wins, so ui/charts is not ui.
function(quill_layer_of rel out)
    set(best -1)
    set(bestLength 0)
    set(index 0)
    foreach(dir IN LISTS QUILL_LAYER_DIRS)
        string(LENGTH "${dir}/" length)
        string(SUBSTRING "${rel}" 0 ${length} head)
        if(head STREQUAL "${dir}/" AND length GREATER bestLength)
            set(best ${index})
            set(bestLength ${length})
        endif()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} ${best} PARENT_SCOPE)
endfunction()

# The line number of the first line of file that reads exactly text.
function(quill_line_of file text out)
    file(READ "${file}" content)
    string(FIND "${content}" "${text}" at)
    set(line 1)
    if(at GREATER 0)
        string(SUBSTRING "${content}" 0 ${at} before)
        string(REGEX MATCHALL "\n" breaks "${before}")
        list(LENGTH breaks count)
        math(EXPR line "${count} + 1")
    endif()
    set(${out} ${line} PARENT_SCOPE)
endfunction()

# The Qt modules that ship the header name: the folder of a qualified name
# (<QtWidgets/QWidget>), else the modules that have a header of that name.
function(quill_qt_modules_of_header name out)
    set(modules "")
    string(REGEX MATCH "^([^/]+)/" _ "${name}")
    if(CMAKE_MATCH_1 AND CMAKE_MATCH_1 IN_LIST QUILL_QT_MODULES)
        set(modules ${CMAKE_MATCH_1})
    elseif(DEFINED "QUILL_QT_HEADER_${name}")
        set(modules ${QUILL_QT_HEADER_${name}})
    endif()
    set(${out} "${modules}" PARENT_SCOPE)
endfunction()

# Appends to errors when the include of name (not one of ours) is a header of
# a Qt module that the file's layer or program may not use.
function(quill_check_qt_include rel path line name kind)
    if(DEFINED "QUILL_FILE_QT_${rel}")
        set(allowed "${QUILL_FILE_QT_${rel}}")
        set(who "its program")
        set(how "link it")
    elseif(DEFINED "QUILL_LAYER_QT_${ownName}")
        set(allowed "${QUILL_LAYER_QT_${ownName}}")
        set(who "${ownName}")
        set(how "name it in the DEPS of its quill_add_layer")
    else()
        return()
    endif()
    quill_qt_modules_of_header("${name}" modules)
    if(NOT modules)
        return()
    endif()
    foreach(module IN LISTS modules)
        if(module IN_LIST allowed)
            return()
        endif()
    endforeach()
    if(allowed)
        list(JOIN allowed " " allowedText)
    else()
        set(allowedText "none")
    endif()
    if(kind STREQUAL "<")
        set(shown "<${name}>")
    else()
        set(shown "\"${name}\"")
    endif()
    list(JOIN modules " or " moduleText)
    quill_line_of("${path}" "${line}" number)
    string(APPEND errors "src/${rel}:${number}: ${ownName} includes ${shown} of Qt module "
                         "${moduleText}, which ${who} does not use; its Qt modules: "
                         "${allowedText}. Move the code, or ${how}\n")
    set(errors "${errors}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${QUILL_SRC}" "${QUILL_SRC}/*.h" "${QUILL_SRC}/*.hpp"
     "${QUILL_SRC}/*.cpp")
list(SORT files)
list(JOIN QUILL_LAYER_NAMES " " order)
set(errors "")
foreach(rel IN LISTS files)
    set(path "${QUILL_SRC}/${rel}")
    quill_layer_of("${rel}" own)
    if(own LESS 0)
        string(APPEND errors "src/${rel}: belongs to no layer; add its folder to QUILL_LAYERS "
                             "in CMakeLists.txt, at its place in the order\n")
        continue()
    endif()
    list(GET QUILL_LAYER_NAMES ${own} ownName)
    get_filename_component(folder "${path}" DIRECTORY)
    file(STRINGS "${path}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
    foreach(line IN LISTS includes)
        string(REGEX MATCH "#[ \t]*include[ \t]*([\"<])([^\">]+)[\">]" _ "${line}")
        set(kind "${CMAKE_MATCH_1}")
        set(name "${CMAKE_MATCH_2}")
        # Resolved as the compiler does: a quoted name first beside the file,
        # then (quoted or not) below src/, the one include folder of ours.
        # Anything else is Qt's, the system's or generated, and no layer's.
        set(target "")
        if(kind STREQUAL "\"" AND EXISTS "${folder}/${name}")
            set(target "${folder}/${name}")
        elseif(EXISTS "${QUILL_SRC}/${name}")
            set(target "${QUILL_SRC}/${name}")
        endif()
        if(target STREQUAL "")
            quill_check_qt_include("${rel}" "${path}" "${line}" "${name}" "${kind}")
            continue()
        endif()
        cmake_path(NORMAL_PATH target)
        cmake_path(IS_PREFIX QUILL_SRC "${target}" NORMALIZE inside)
        if(NOT inside)
            continue()
        endif()
        file(RELATIVE_PATH targetRel "${QUILL_SRC}" "${target}")
        quill_layer_of("${targetRel}" used)
        if(used LESS 0 OR used EQUAL own)
            continue()
        endif()
        list(GET QUILL_LAYER_NAMES ${used} usedName)
        if(used GREATER own)
            quill_line_of("${path}" "${line}" number)
            string(APPEND errors "src/${rel}:${number}: ${ownName} includes \"${name}\" of "
                                 "${usedName}, a layer above it\n")
        elseif(DEFINED QUILL_LAYER_DEPS_${ownName})
            list(FIND QUILL_LAYER_DEPS_${ownName} ${usedName} declared)
            if(declared LESS 0)
                quill_line_of("${path}" "${line}" number)
                string(APPEND errors "src/${rel}:${number}: ${ownName} includes \"${name}\" of "
                                     "${usedName} but does not name ${usedName} in the DEPS of "
                                     "its quill_add_layer\n")
            endif()
        endif()
    endforeach()
    quill_may_call_file_system("${rel}" mayCall)
    if(NOT mayCall)
        quill_check_calls("${rel}" "${path}")
    endif()
endforeach()
quill_report_unused_exceptions()

if(NOT errors STREQUAL "")
    # As plain text, one finding a line, so that editors can jump to each.
    message(NOTICE "${errors}")
    message(FATAL_ERROR "The layers, bottom to top, are: ${order}. Move the code, the include "
                        "or the call, or change DEPS or QUILL_LAYERS.")
endif()
