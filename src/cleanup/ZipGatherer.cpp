// The archive's gathering, done by the shared tree walk (see ZipGatherer.h
// and platform/TreeGather.h).
#include "cleanup/ZipGatherer.h"

#include "platform/DirReader.h"
#include "platform/TreeGather.h"

TResult<std::vector<TZipSource>> GatherSources(int rootFd, const std::vector<std::string>& items,
                                               TGatherOptions options) {
    const unsigned how = (options.Hidden ? Platform::GatherHidden : 0u) |
                         (options.Recurse ? Platform::GatherSubfolders : 0u);
    std::vector<TZipSource> sources;
    for (const std::string& item : items) {
        TResult<std::vector<Platform::TGathered>> gathered =
            Platform::GatherTree(rootFd, item, how);
        if (!gathered) {
            // The archive's messages name the entry in quotes before the reason.
            const TFailure& why = gathered.Failure();
            const std::string reason = why.Errno != 0 ? Platform::ErrorText(why.Errno) : why.Text;
            return TFailure{why.Errno, {}, "\"" + why.Path + "\": " + reason};
        }
        for (Platform::TGathered& entry : *gathered) {
            TZipSource source;
            source.Name = std::move(entry.Name);
            source.St = entry.St;
            source.LinkTarget = std::move(entry.LinkTarget);
            sources.push_back(std::move(source));
        }
    }
    return sources;
}
