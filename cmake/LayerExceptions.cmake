# The one list of file-system calls allowed outside src/platform/, read by the
# layer check (cmake/CheckLayerCalls.cmake). Each entry names a file, the
# functions it may call, and why. The calls listed here are waiting to move
# into platform, where one set of rules (no link followed, identities checked,
# output written whole under a temporary name, no wait on a drive that stopped
# answering) covers them; when a file no longer makes a call, the build says
# so, and its name, or the whole entry, goes.
#
#   quill_allow_calls(<file> <functions...> REASON <why>)

# cleanup: the move and the archives, moving into platform piece by piece.
quill_allow_calls(src/cleanup/ArchiveCatalogue.cpp fstat fsync open openat renameat unlinkat
    REASON "the archive catalogue, written whole beside itself in the archives folder it holds \
open, has not moved into platform yet")
quill_allow_calls(src/cleanup/ArchiveStore.cpp access fchmod fdopendir fstat fstatat lstat mkdir
    open openat readdir rmdir stat unlinkat
    REASON "the archives folder is made, checked for its owner and mode, and emptied here, not \
yet in platform")
quill_allow_calls(src/cleanup/MoveJournal.cpp fstat fsync open opendir readdir rename stat unlink
    REASON "the move's journal, written under a temporary name, locked and renamed, and read \
back at start, has not moved into platform yet")
quill_allow_calls(src/cleanup/ToolsList.cpp access fstat open stat
    REASON "reading the tools list and checking that each tool is an executable file has not \
moved into platform yet")
quill_allow_calls(src/cleanup/ZipMaster.cpp fdopendir fstat fstatat fsync lstat open openat
    readdir readlinkat realpath renameat2 unlink unlinkat
    REASON "the archive component walks the folder it packs by descriptor and writes and \
restores files itself, and its walk and writes have not moved into platform yet")

# shell: helpers of the desktop.
quill_allow_calls(src/shell/DrivesSelectBox.cpp readlink
    REASON "the program's own path from /proc/self/exe, a file of the kernel that cannot hang")
quill_allow_calls(src/shell/FileManagerEntry.cpp std::filesystem::create_directories unlink
    REASON "the file manager's entry in the user's own configuration folders, not yet through \
platform's writing of whole files")
quill_allow_calls(src/shell/ItemContextMenu.cpp lstat stat
    REASON "whether the item is a folder, to choose how to open it, not yet asked of platform")
quill_allow_calls(src/shell/ItemProperties.cpp fdopendir openat readdir readlinkat statx
    REASON "the properties dialog's facts about one item, read relative to its folder's \
descriptor, not yet asked of platform")
quill_allow_calls(src/shell/Launch.cpp access lstat stat
    REASON "whether a path is an executable program or exists before it is launched, not yet \
asked of platform")

# snapshot: scan files.
quill_allow_calls(src/snapshot/ScanFileParser.cpp fopen fstat
    REASON "the scan file is read as a stream, its size for the progress, not yet opened \
through platform")

# app: the programs.
quill_allow_calls(src/app/quillmere-clean-archives.cpp lstat
    REASON "quillmere-clean refuses to restore over something that exists, not yet asked of \
platform")
