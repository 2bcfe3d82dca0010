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

    TScanFileInfo info;
    std::int32_t implied = 0;
    std::string error;
    const bool probed = ProbeScanFile(file, info, implied, error);
    FUZZ_CHECK(probed || !error.empty());
    FUZZ_CHECK(implied >= 0);

    TLoadProgress progress;
    TLoadedScan loaded;
    error.clear();
    if (!LoadScanFile(file, 4096, progress, loaded, error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(!loaded.Root);
        return 0;
    }
    FUZZ_CHECK(loaded.Root && !loaded.Root->Parent);
    FUZZ_CHECK(probed && info.RootPath == loaded.Info.RootPath);
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
