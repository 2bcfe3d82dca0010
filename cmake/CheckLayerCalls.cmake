# The file-system half of the layer check, included by CheckLayers.cmake:
# outside the folders of QUILL_FILE_SYSTEM_DIRS no file calls a function that
# names, opens, lists, changes or queries files and folders. Everything such
# code must guarantee (no link followed, identities checked, nothing written
# in place, no wait on a drive that stopped answering) is kept in one layer,
# and a call elsewhere escapes it. Plain reads and writes on a descriptor
# already opened are not counted: they name nothing.
#
# A call is a name from the list below followed by "(", bare, after the
# global "::" or after "std::"; not a member (file.open(, f->rename(), not a
# qualified name of another scope (QFile::open(, Platform::Stat(), not a
# longer name (Reopen(, OpenFolder(), and nothing in a comment or a string.
# std::filesystem's operations count too; its path type alone does not.

set(QUILL_FILE_SYSTEM_CALLS
    # open, create, list
    open open64 openat openat64 openat2 creat creat64 fopen fopen64 freopen opendir fdopendir
    readdir readdir64 readdir_r scandir scandirat getdents getdents64 nftw nftw64 ftw fts_open
    name_to_handle_at open_by_handle_at mkstemp mkstemp64 mkostemp mkstemps mkostemps mkdtemp
    tmpfile
    # look at
    stat stat64 lstat lstat64 fstat fstat64 fstatat fstatat64 statx access faccessat faccessat2
    euidaccess eaccess readlink readlinkat realpath canonicalize_file_name statfs fstatfs
    statvfs fstatvfs getxattr lgetxattr fgetxattr listxattr llistxattr flistxattr
    # change
    mkdir mkdirat mknod mknodat mkfifo mkfifoat rmdir unlink unlinkat remove rename renameat
    renameat2 link linkat symlink symlinkat truncate truncate64 ftruncate ftruncate64 fallocate
    posix_fallocate chmod fchmod fchmodat lchmod chown fchown lchown fchownat utime utimes
    lutimes futimes futimesat utimensat futimens setxattr lsetxattr fsetxattr removexattr
    lremovexattr fremovexattr copy_file_range sendfile fsync fdatasync syncfs sync_file_range
    ioctl
    # the process's view of the file system
    chdir fchdir chroot mount umount umount2 inotify_add_watch fanotify_mark)

list(JOIN QUILL_FILE_SYSTEM_CALLS "|" quillCallNames)
# A call: what comes before must not make it a member, a qualified name or a
# longer name; then an optional global or std qualifier.
set(quillCallPattern
    "(^|[^A-Za-z0-9_.>:~])(::)?(std::)?(filesystem::[A-Za-z0-9_]+|${quillCallNames})[ \t]*[(]")
# The tokens in which a name is no call, in the order the compiler reads them,
# each within one line: string and character literals, comments.
set(quillTokenPattern [=["([^"\]|\\.)*"|'([^'\]|\\.)*'|//.*|/\*([^*]|\*+[^*/])*\*+/]=])

# quill_allow_calls(<file below the repository> <functions...> REASON <text>)
# An entry of the exceptions list: file may call these functions.
function(quill_allow_calls file)
    cmake_parse_arguments(ARG "" "REASON" "" ${ARGN})
    # A ";" in the reason would split it into made-up function names.
    if(NOT ARG_REASON OR NOT ARG_UNPARSED_ARGUMENTS
       OR NOT "${ARG_UNPARSED_ARGUMENTS}" MATCHES "^[A-Za-z0-9_:;]+$")
        message(FATAL_ERROR "${QUILL_LAYER_EXCEPTIONS}: the entry for ${file} needs its "
                            "functions and a REASON, without \";\"")
    endif()
    string(REGEX REPLACE "^src/" "" rel "${file}")
    # std::filesystem::remove is matched as filesystem::remove.
    list(TRANSFORM ARG_UNPARSED_ARGUMENTS REPLACE "^(::)?std::" "")
    set(QUILL_ALLOWED_${rel} ${QUILL_ALLOWED_${rel}} ${ARG_UNPARSED_ARGUMENTS} PARENT_SCOPE)
    set(QUILL_ALLOWED_FILES ${QUILL_ALLOWED_FILES} ${rel} PARENT_SCOPE)
endfunction()

set(QUILL_ALLOWED_FILES "")
if(QUILL_LAYER_EXCEPTIONS)
    include(${QUILL_LAYER_EXCEPTIONS})
endif()

# True when rel (below src/) is in a folder that may call the file system.
function(quill_may_call_file_system rel out)
    set(result FALSE)
    foreach(dir IN LISTS QUILL_FILE_SYSTEM_DIRS)
        string(LENGTH "${dir}/" length)
        string(SUBSTRING "${rel}" 0 ${length} head)
        if(head STREQUAL "${dir}/")
            set(result TRUE)
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# Appends to errors the file-system calls of src/rel, a file of layer
# ownName, that the exceptions do not allow; records the allowed ones used.
function(quill_check_calls rel path)
    file(READ "${path}" content)
    # Most files mention no such name at all: a quick look first.
    if(NOT content MATCHES "(^|[^A-Za-z0-9_])(filesystem::|${quillCallNames})[ \t]*[(]")
        return()
    endif()
    # One list item a line: no ";" and no unbalanced bracket may split or join
    # items, and a line ending in "\" would escape the separator. None of
    # them takes part in a call's name.
    string(REGEX REPLACE "[][;]" " " content "${content}")
    string(REPLACE "\\\n" " \n" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(number 0)
    set(inComment FALSE)
    set(found "")
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(inComment)
            string(FIND "${line}" "*/" at)
            if(at LESS 0)
                continue()
            endif()
            math(EXPR at "${at} + 2")
            string(SUBSTRING "${line}" ${at} -1 line)
            set(inComment FALSE)
        endif()
        string(REGEX REPLACE "${quillTokenPattern}" " " code "${line}")
        # What is left of a "/*" is a comment that goes on below.
        string(FIND "${code}" "/*" at)
        if(at GREATER_EQUAL 0)
            string(SUBSTRING "${code}" 0 ${at} code)
            set(inComment TRUE)
        endif()
        string(REGEX REPLACE "[ \t]*(\\.|->|::)[ \t]*" "\\1" code "${code}")
        string(REGEX MATCHALL "${quillCallPattern}" calls "${code}")
        foreach(call IN LISTS calls)
            string(REGEX MATCH "${quillCallPattern}" _ "${call}")
            set(std "${CMAKE_MATCH_3}")
            set(name "${CMAKE_MATCH_4}")
            # std::remove is also the algorithm, and a path alone touches nothing.
            if((std AND name STREQUAL "remove") OR name MATCHES "^filesystem::(u8)?path$")
                continue()
            endif()
            if(name MATCHES "^filesystem::" AND NOT std)
                continue()
            endif()
            if(name IN_LIST QUILL_ALLOWED_${rel})
                set(QUILL_USED_${rel}_${name} TRUE PARENT_SCOPE)
                continue()
            endif()
            if(name MATCHES "^filesystem::")
                set(name "std::${name}")
            endif()
            string(APPEND found "src/${rel}:${number}: ${ownName} calls ${name}(), which works on "
                                "the file system; only ${QUILL_FILE_SYSTEM_DIRS} may. Call the "
                                "platform layer, or list the call with its reason in "
                                "${QUILL_LAYER_EXCEPTIONS}\n")
        endforeach()
    endforeach()
    set(errors "${errors}${found}" PARENT_SCOPE)
endfunction()

# Entries of the exceptions list that no longer match a call: said, so that
# the list shrinks as calls move, but not fatal.
function(quill_report_unused_exceptions)
    set(unused "")
    foreach(rel IN LISTS QUILL_ALLOWED_FILES)
        if(NOT EXISTS "${QUILL_SRC}/${rel}")
            string(APPEND unused "  src/${rel}: no such file\n")
            continue()
        endif()
        foreach(name IN LISTS QUILL_ALLOWED_${rel})
            if(NOT QUILL_USED_${rel}_${name})
                string(APPEND unused "  src/${rel}: ${name}\n")
            endif()
        endforeach()
    endforeach()
    if(unused)
        message(NOTICE "${QUILL_LAYER_EXCEPTIONS} allows calls that are no longer made; "
                       "delete these entries:\n${unused}")
    endif()
endfunction()
