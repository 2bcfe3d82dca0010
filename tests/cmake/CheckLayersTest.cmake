# The layer check on a made-up source tree and a made-up Qt: it must fail on
# each kind of wrong include and on each file-system call outside the layer
# that may make them, naming file and line, and pass what is right, including
# the names that only look like such calls.
#   cmake -DWORK=<scratch folder> -DSCRIPT=<cmake/CheckLayers.cmake> -P CheckLayersTest.cmake
cmake_minimum_required(VERSION 3.25)

get_filename_component(scripts ${SCRIPT} DIRECTORY)
include(${scripts}/QtHeaderMap.cmake)

set(src ${WORK}/src)
set(qt ${WORK}/qt)
file(REMOVE_RECURSE ${WORK})
foreach(header QtCore/QString QtCore/QtCore QtGui/QColor QtGui/qaction.h QtWidgets/QWidget
               QtWidgets/qaction.h QtWidgets/QtWidgets QtNetwork/QTcpSocket)
    file(WRITE ${qt}/${header} "#pragma once\n")
endforeach()
quill_write_qt_header_map(${qt} ${WORK}/qt-headers.cmake)

file(WRITE ${src}/low/Low.h "#pragma once\n")
file(WRITE ${src}/low/os/Os.h "#pragma once\n")
file(WRITE ${src}/mid/Mid.h "#pragma once\n#include \"low/Low.h\"\n#include <vector>\n")
file(WRITE ${src}/ui/top/Top.h "#pragma once\n")
file(WRITE ${WORK}/exceptions.cmake
     "quill_allow_calls(src/mid/Allowed.cpp stat REASON \"a reason\")\n"
     "quill_allow_calls(src/ui/top/Top.cpp unlink REASON \"moved away since\")\n"
     "quill_allow_calls(src/mid/Gone.cpp open REASON \"a file moved away\")\n")
file(WRITE ${src}/config.cmake
     "set(QUILL_SRC [==[${src}]==])\n"
     "set(QUILL_LAYER_DIRS low mid ui/top app)\n"
     "set(QUILL_LAYER_NAMES low mid top app)\n"
     "set(QUILL_LAYER_DEPS_low \"\")\n"
     "set(QUILL_LAYER_DEPS_mid \"low\")\n"
     "set(QUILL_LAYER_DEPS_top \"mid\")\n"
     "set(QUILL_LAYER_QT_low \"\")\n"
     "set(QUILL_LAYER_QT_mid \"QtCore\")\n"
     "set(QUILL_LAYER_QT_top \"QtCore;QtGui;QtWidgets\")\n"
     "set(QUILL_FILE_QT_app/Tool.cpp \"QtCore\")\n"
     "set(QUILL_QT_HEADER_MAP [==[${WORK}/qt-headers.cmake]==])\n"
     "set(QUILL_FILE_SYSTEM_DIRS low)\n"
     "set(QUILL_LAYER_EXCEPTIONS [==[${WORK}/exceptions.cmake]==])\n")

function(run_check out_result out_text)
    execute_process(COMMAND ${CMAKE_COMMAND} -DQUILL_LAYER_CONFIG=${src}/config.cmake -P ${SCRIPT}
                    RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE text)
    set(${out_result} ${result} PARENT_SCOPE)
    set(${out_text} "${text}" PARENT_SCOPE)
endfunction()

function(expect_all text)
    foreach(expected IN LISTS ARGN)
        string(FIND "${text}" "${expected}" at)
        if(at LESS 0)
            message(FATAL_ERROR "missing \"${expected}\" in:\n${text}")
        endif()
    endforeach()
endfunction()

# Right: own headers by either spelling, lower declared layers, a subfolder of
# a layer, system headers, Qt headers of declared modules in every spelling
# (a header in two modules needs one of them); file-system calls in the layer
# that may make them, one allowed by the exceptions, and names that only look
# like calls.
file(WRITE ${src}/ui/top/Top.cpp
     "#include \"Top.h\"\n#include \"ui/top/Top.h\"\n#include \"mid/Mid.h\"\n#include <QWidget>\n"
     "#include <QtWidgets/QWidget>\n#include <QtGui/QColor>\n#include <QString>\n"
     "#include <qaction.h>\n#include <QtWidgets>\n")
file(WRITE ${src}/low/os/Os.cpp "#include \"low/Low.h\"\n#include \"../Low.h\"\n"
                                "#include <fcntl.h>\nint f() { return ::open(\"x\", 0) + openat(3, \"y\", 0); }\n")
file(WRITE ${src}/mid/Mid.cpp [=[
#include "mid/Mid.h"
#include <QString>
#include <QtCore>
#include <sys/stat.h>
// Calls of the same names that are not the operating system's:
void F(TFile& file, TFile* f, Vector& v) {
    file.open(1); f->rename(2); file . unlink(3); QFile::open(4); Platform::Stat(5);
    ::Platform::rename(6); Reopen(7); OpenFolder(8); opened(9); mkdir_p(10);
    struct stat st; int stat_count = 0; auto p = std::filesystem::path("a");
    v.erase(std::remove(v.begin(), v.end(), 0), v.end()); // open(11) in a comment
    const char* text = "unlink(12) \" rename(13)"; char c = '('; Log("open(14)", ')');
    /* rename(15)
       mkdir(16) */ int x = 0; /* rmdir(17) */
}
]=])
file(WRITE ${src}/mid/Allowed.cpp "#include <sys/stat.h>\nbool F() { struct stat st; "
                                  "return stat(\"a\", &st) == 0; }\n")
file(WRITE ${src}/app/Tool.cpp "#include <QString>\n#include \"mid/Mid.h\"\n")
run_check(result text)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "a correct tree was refused:\n${text}")
endif()
# An allowed call no longer made, or in a file that is gone, is said, so
# that the list can shrink.
expect_all("${text}" "src/ui/top/Top.cpp: unlink" "src/mid/Gone.cpp: no such file")
string(FIND "${text}" "src/mid/Allowed.cpp: stat" at)
if(at GREATER_EQUAL 0)
    message(FATAL_ERROR "an allowed call that is made was said to be unused:\n${text}")
endif()

# Wrong: upward by path below src/, by a relative path and in angle brackets;
# a lower layer that is not declared; a folder that is no layer; Qt modules
# that are not declared, qualified or bare, in a library and in a program;
# file-system calls outside the layer that may make them, and one beside an
# allowed call in the same file.
file(WRITE ${src}/low/os/Os.cpp "#include \"low/Low.h\"\n  #  include \"../../mid/Mid.h\"\n"
                                "#include <QString>\n")
file(WRITE ${src}/mid/Mid.cpp [=[
// #include "ui/top/Top.h" in a comment is no include

#include <ui/top/Top.h>
#include <QtWidgets/QWidget>
#include <QColor>
#include <qaction.h>
void F(const char* p) {
    int a = ::open(p, 0);
    FILE* f = std::fopen(p, "r");
    if (unlinkat(3, p, 0) != 0 && open(p) < 0) {
        std::filesystem::remove_all(p);
    }
    /* comment
       */ std::rename(p, "b");
}
]=])
file(WRITE ${src}/mid/Allowed.cpp "#include <sys/stat.h>\nbool F() { struct stat st; "
                                  "return stat(\"a\", &st) == 0 &&\n lstat(\"a\", &st) == 0; }\n")
file(WRITE ${src}/ui/top/Top.cpp "#include \"Top.h\"\n#include \"low/Low.h\"\n#include <QTcpSocket>\n")
file(WRITE ${src}/app/Tool.cpp "#include <QString>\n#include <QWidget>\n")
file(WRITE ${src}/stray/Stray.h "#pragma once\n")
run_check(result text)
if(result EQUAL 0)
    message(FATAL_ERROR "a tree with upward includes passed:\n${text}")
endif()
expect_all("${text}"
    "src/low/os/Os.cpp:2: low includes \"../../mid/Mid.h\" of mid, a layer above it"
    "src/mid/Mid.cpp:3: mid includes \"ui/top/Top.h\" of top, a layer above it"
    "src/ui/top/Top.cpp:2: top includes \"low/Low.h\" of low but does not name low"
    "src/stray/Stray.h: belongs to no layer"
    "src/low/os/Os.cpp:3: low includes <QString> of Qt module QtCore, which low does not use; its Qt modules: none"
    "src/mid/Mid.cpp:4: mid includes <QtWidgets/QWidget> of Qt module QtWidgets, which mid does not use; its Qt modules: QtCore"
    "src/mid/Mid.cpp:5: mid includes <QColor> of Qt module QtGui,"
    "src/mid/Mid.cpp:6: mid includes <qaction.h> of Qt module QtGui or QtWidgets,"
    "src/ui/top/Top.cpp:3: top includes <QTcpSocket> of Qt module QtNetwork, which top does not use; its Qt modules: QtCore QtGui QtWidgets"
    "src/app/Tool.cpp:2: app includes <QWidget> of Qt module QtWidgets, which its program does not use; its Qt modules: QtCore"
    "src/mid/Mid.cpp:8: mid calls open(), which works on the file system; only low may"
    "src/mid/Mid.cpp:9: mid calls fopen()"
    "src/mid/Mid.cpp:10: mid calls unlinkat()"
    "src/mid/Mid.cpp:10: mid calls open()"
    "src/mid/Mid.cpp:11: mid calls std::filesystem::remove_all()"
    "src/mid/Mid.cpp:14: mid calls rename()"
    "src/mid/Allowed.cpp:3: mid calls lstat()")
string(REGEX MATCHALL "src/[^:\n]+:[0-9]+:" findings "${text}")
list(LENGTH findings count)
if(NOT count EQUAL 16)
    message(FATAL_ERROR "expected 16 findings with a line, got ${count}:\n${text}")
endif()
