# quill_write_qt_header_map(<Qt include root> <output file>)
# Which Qt module each header belongs to, read from the installed headers
# (<root>/<Module>/<Header>), so that the layer check knows that <QWidget> is
# QtWidgets' without a list kept by hand. Writes a CMake file that sets
#   QUILL_QT_MODULES            the modules' folders (QtCore, QtGui, ...)
#   QUILL_QT_HEADER_<header>    the modules that ship <header>: a few forwarding
#                               headers (qaction.h) are in two
# The output is rewritten only when it changes, so the check does not run
# again for nothing. Used at configure time and by the check's own test.
function(quill_write_qt_header_map root output)
    file(GLOB modules LIST_DIRECTORIES true RELATIVE "${root}" "${root}/Qt*")
    set(folders "")
    set(headers "")
    foreach(module IN LISTS modules)
        if(NOT IS_DIRECTORY "${root}/${module}")
            continue()
        endif()
        list(APPEND folders ${module})
        file(GLOB names LIST_DIRECTORIES false RELATIVE "${root}/${module}" "${root}/${module}/*")
        foreach(name IN LISTS names)
            list(APPEND "owners_${name}" ${module})
            list(APPEND headers ${name})
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES headers)
    list(SORT headers)
    set(content "# Written by cmake/QtHeaderMap.cmake from ${root}\n")
    string(APPEND content "set(QUILL_QT_MODULES \"${folders}\")\n")
    foreach(name IN LISTS headers)
        string(APPEND content "set(\"QUILL_QT_HEADER_${name}\" \"${owners_${name}}\")\n")
    endforeach()
    file(CONFIGURE OUTPUT "${output}" CONTENT "${content}" @ONLY)
endfunction()
