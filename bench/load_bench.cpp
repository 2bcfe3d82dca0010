// Opening a scan file as the window does, without the window: LoadScanFile
// on the calling thread, then the tree kept until the process ends, so that
// /usr/bin/time's peak memory is that of the loaded tree.
//
//   quillmere-load-bench FILE [CLUSTER]
#include "snapshot/ScanImport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillmere-load-bench FILE [CLUSTER]\n");
        return 2;
    }
    const std::int32_t cluster = argc > 2 ? std::atoi(argv[2]) : 4096;
    TLoadProgress progress;
    const auto start = std::chrono::steady_clock::now();
    TResult<TLoadedScan> loaded = LoadScanFile(argv[1], cluster, progress);
    if (!loaded) {
        std::fprintf(stderr, "quillmere-load-bench: %s\n", loaded.Failure().Describe().c_str());
        return 1;
    }
    const TLoadedScan& scan = *loaded;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f s, %llu folders, %llu files, %lld bytes\n", seconds,
                static_cast<unsigned long long>(scan.Folders),
                static_cast<unsigned long long>(scan.Files),
                static_cast<long long>(scan.Root->Data->TreeSize));
    return 0;
}
