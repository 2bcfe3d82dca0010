// The fault scenarios' figures for bench/faults.sh: where the environment
// names a file (QUILLMERE_FAULT_FIGURES), each case adds one line to it,
// "operation<TAB>fault<TAB>as promised (0/1)<TAB>files lost<TAB>longest wait
// of the window's events in ms (-1: no window)". Nothing otherwise.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void RecordFaultCase(const std::string& operation, const std::string& fault, bool asPromised,
                            int filesLost, double longestWaitMs = -1) {
    const char* file = std::getenv("QUILLMERE_FAULT_FIGURES");
    if (!file || !*file)
        return;
    if (FILE* out = std::fopen(file, "a")) {
        std::fprintf(out, "%s\t%s\t%d\t%d\t%.0f\n", operation.c_str(), fault.c_str(),
                     asPromised ? 1 : 0, filesLost, longestWaitMs);
        std::fclose(out);
    }
}
