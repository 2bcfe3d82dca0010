# The layer check on a made-up source tree: it must fail on each kind of
# wrong include, naming file and line, and pass the includes that are right.
#   cmake -DWORK=<scratch folder> -DSCRIPT=<cmake/CheckLayers.cmake> -P CheckLayersTest.cmake
cmake_minimum_required(VERSION 3.25)

set(src ${WORK}/src)
file(REMOVE_RECURSE ${WORK})
file(WRITE ${src}/low/Low.h "#pragma once\n")
file(WRITE ${src}/low/os/Os.h "#pragma once\n")
file(WRITE ${src}/mid/Mid.h "#pragma once\n#include \"low/Low.h\"\n#include <vector>\n")
file(WRITE ${src}/ui/top/Top.h "#pragma once\n")
file(WRITE ${src}/config.cmake
     "set(QUILL_SRC [==[${src}]==])\n"
     "set(QUILL_LAYER_DIRS low mid ui/top)\n"
     "set(QUILL_LAYER_NAMES low mid top)\n"
     "set(QUILL_LAYER_DEPS_low \"\")\n"
     "set(QUILL_LAYER_DEPS_mid \"low\")\n"
     "set(QUILL_LAYER_DEPS_top \"mid\")\n")

function(run_check out_result out_text)
    execute_process(COMMAND ${CMAKE_COMMAND} -DQUILL_LAYER_CONFIG=${src}/config.cmake -P ${SCRIPT}
                    RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE text)
    set(${out_result} ${result} PARENT_SCOPE)
    set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

# Right: own headers by either spelling, lower declared layers, a subfolder of
# a layer, system and Qt headers.
file(WRITE ${src}/ui/top/Top.cpp
     "#include \"Top.h\"\n#include \"ui/top/Top.h\"\n#include \"mid/Mid.h\"\n#include <QWidget>\n")
file(WRITE ${src}/low/os/Os.cpp "#include \"low/Low.h\"\n#include \"../Low.h\"\n")
run_check(result text)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "a correct tree was refused:\n${text}")
endif()

# Wrong: upward by path below src/, by a relative path and in angle brackets;
# a lower layer that is not declared; a folder that is no layer.
file(WRITE ${src}/low/os/Os.cpp "#include \"low/Low.h\"\n  #  include \"../../mid/Mid.h\"\n")
file(WRITE ${src}/mid/Mid.cpp "// #include \"ui/top/Top.h\" in a comment is no include\n\n"
                              "#include <ui/top/Top.h>\n")
file(WRITE ${src}/ui/top/Top.cpp "#include \"Top.h\"\n#include \"low/Low.h\"\n")
file(WRITE ${src}/stray/Stray.h "#pragma once\n")
run_check(result text)
if(result EQUAL 0)
    message(FATAL_ERROR "a tree with upward includes passed:\n${text}")
endif()
foreach(expected
        "src/low/os/Os.cpp:2: low includes \"../../mid/Mid.h\" of mid, a layer above it"
        "src/mid/Mid.cpp:3: mid includes \"ui/top/Top.h\" of top, a layer above it"
        "src/ui/top/Top.cpp:2: top includes \"low/Low.h\" of low but does not name low"
        "src/stray/Stray.h: belongs to no layer")
    string(FIND "${text}" "${expected}" at)
    if(at LESS 0)
        message(FATAL_ERROR "missing \"${expected}\" in:\n${text}")
    endif()
endforeach()
string(REGEX MATCHALL "src/[^:\n]+:[0-9]+:" findings "${text}")
list(LENGTH findings count)
if(NOT count EQUAL 3)
    message(FATAL_ERROR "expected 3 findings with a line, got ${count}:\n${text}")
endif()
