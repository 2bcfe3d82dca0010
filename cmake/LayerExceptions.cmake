# The one list of file-system calls allowed outside src/platform/, read by the
# layer check (cmake/CheckLayerCalls.cmake). Each entry names a file, the
# functions it may call, and why. Everything else goes through platform, where
# one set of rules (no link followed, identities checked, output written whole
# under a temporary name, no wait on a drive that stopped answering) covers
# it; when a file no longer makes a call, the build says so, and its name, or
# the whole entry, goes.
#
#   quill_allow_calls(<file> <functions...> REASON <why>)

# snapshot: scan files.
quill_allow_calls(src/snapshot/ScanFileParser.cpp fopen fstat
    REASON "the scan file the user chose is only read, as a C stream that the parser takes in \
blocks, on the loading's background job, its size for the progress")

