// The archive's gathering as a visitor of the tree walk.
#include "platform/TreeGather.h"

#include "platform/DirReader.h"
#include "platform/TreeWalker.h"
#include "platform/linux/FileOpsInternal.h"

#include <cerrno>
#include <optional>

namespace Platform {
namespace {

class TGatherVisitor : public TTreeVisitor {
public:
    TGatherVisitor(std::string item, unsigned options, std::vector<TGathered>& into)
        : Item(std::move(item)), Options(options), Into(into) {}

    std::optional<TFailure> Failed;

    TVisitAnswer Visit(const TVisitEntry& entry) override {
        if (Unwanted(entry))
            return TVisitAnswer::Pass;
        if (!S_ISDIR(entry.St.st_mode))
            return Add(entry);
        // Without subfolders, the item's own files alone.
        if (entry.Depth == 1 && !(Options & GatherSubfolders))
            return TVisitAnswer::Pass;
        // Another drive mounted inside is not part of the folder.
        if (entry.OtherMount)
            return TVisitAnswer::Pass;
        Into.push_back({NameOf(entry) + "/", entry.St, {}});
        return TVisitAnswer::Enter;
    }

    TVisitAnswer Fault(const TVisitEntry& entry, TVisitFault fault, int error) override {
        // Gone meanwhile: nothing of it to keep; a hidden name is not looked
        // at unless asked for.
        if (fault == TVisitFault::Examine &&
            (Unwanted(entry) || (error == ENOENT && entry.Depth > 0)))
            return TVisitAnswer::Pass;
        Failed = error != 0 ? SystemFailure(error, NameOf(entry))
                            : Refusal("it was replaced while it was being read", NameOf(entry));
        return TVisitAnswer::End;
    }

private:
    bool Unwanted(const TVisitEntry& entry) const {
        return entry.Depth > 0 && !(Options & GatherHidden) && entry.Name[0] == '.';
    }

    std::string NameOf(const TVisitEntry& entry) const {
        return entry.Below.empty() ? Item : Item + "/" + entry.Below;
    }

    TVisitAnswer Add(const TVisitEntry& entry) {
        TGathered gathered{NameOf(entry), entry.St, {}};
        if (S_ISLNK(entry.St.st_mode)) {
            gathered.LinkTarget = ReadLink(entry.Folder, entry.Name.c_str(),
                                           static_cast<std::size_t>(entry.St.st_size));
            if (gathered.LinkTarget.empty()) {
                Failed = SystemFailure(errno, gathered.Name);
                return TVisitAnswer::End;
            }
        } else if (!S_ISREG(entry.St.st_mode)) {
            return TVisitAnswer::Pass;
        }
        Into.push_back(std::move(gathered));
        return TVisitAnswer::Pass;
    }

    std::string Item;
    unsigned Options;
    std::vector<TGathered>& Into;
};

} // namespace

TResult<std::vector<TGathered>> GatherTree(int rootFd, const std::string& item, unsigned options) {
    std::string name = item;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    // The folder holding the item is reached as a path would reach it.
    const std::size_t slash = name.rfind('/');
    TOwnedFd parent;
    std::string leaf = name;
    if (slash != std::string::npos) {
        const std::string folder = slash == 0 ? "/" : name.substr(0, slash);
        parent = TOwnedFd(openat(rootFd, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent.Valid())
            return SystemFailure(errno, name);
        leaf = name.substr(slash + 1);
    }
    std::vector<TGathered> gathered;
    TGatherVisitor visitor(name, options, gathered);
    TTreeWalker walker(parent.Valid() ? parent.Get() : rootFd, leaf);
    walker.SetSorted(true);
    if (!walker.Run(visitor))
        return visitor.Failed ? *visitor.Failed : Refusal("it could not be read whole", name);
    return gathered;
}

} // namespace Platform
