// Scan files (ncdu, gdu and Quillmere JSON exports): any bytes either load
// or are refused with a message, never a crash; a loaded tree holds together
// (each folder's tree figures are its own plus its finished subfolders'),
// and the quick look at the file's head agrees with the load about the root.
#include "FuzzSupport.h"
#include "snapshot/ScanImport.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TScratchFolder folder;
    const std::string file = folder.Path("scan.json");
    FUZZ_CHECK(WriteBytes(file, std::string(reinterpret_cast<const char*>(data), size)));

    const TResult<TScanFileProbe> probe = ProbeScanFile(file);
    FUZZ_CHECK(probe || !probe.Failure().Text.empty());
    FUZZ_CHECK(!probe || probe->ImpliedClusterSize >= 0);

    TLoadProgress progress;
    const TResult<TLoadedScan> loadedFile = LoadScanFile(file, 4096, progress);
    if (!loadedFile) {
        FUZZ_CHECK(!loadedFile.Failure().Text.empty());
        return 0;
    }
    const TLoadedScan& loaded = *loadedFile;
    FUZZ_CHECK(loaded.Root && !loaded.Root->Parent);
    FUZZ_CHECK(probe && probe->Info.RootPath == loaded.Info.RootPath);
    // Iterative: a loaded chain may be far deeper than the stack.
    std::vector<const TFolderNode*> pending{loaded.Root.get()};
    std::uint64_t folders = 0;
    while (!pending.empty()) {
        const TFolderNode* node = pending.back();
        pending.pop_back();
        ++folders;
        if (node->Data) {
            const TFolderSize& r = *node->Data;
            FUZZ_CHECK(r.OwnSize >= 0 && r.TreeSize >= r.OwnSize);
            FUZZ_CHECK(r.TreeWasted >= r.OwnWasted && r.OwnWasted >= 0);
            std::int64_t below = 0;
            for (const auto& child : node->Children)
                if (child->Data)
                    below += child->Data->TreeSize;
            FUZZ_CHECK(r.TreeSize == r.OwnSize + below);
        }
        for (const auto& child : node->Children) {
            FUZZ_CHECK(child->Parent == node);
            pending.push_back(child.get());
        }
    }
    FUZZ_CHECK(folders >= 1);
    return 0;
}
