// The recursive delete, as a visitor of the tree walk: files go as they are
// met, a folder when the walk leaves it. Whatever cannot be removed is
// listed with the reason, and the folders above it stay without a line of
// their own.
#include "platform/DirReader.h"
#include "platform/FileOps.h"
#include "platform/TreeWalker.h"
#include "platform/linux/FileOpsInternal.h"

#include <cerrno>

namespace Platform {
namespace {

class TDeleteVisitor : public TTreeVisitor {
public:
    // itemPath names the walked item in messages; the item must still be
    // `item` (the one checked before) when it is reached: something swapped
    // into its place meanwhile is left alone.
    TDeleteVisitor(TDeleteResult& result, std::string itemPath, TIdentity item)
        : Result(result), ItemPath(std::move(itemPath)), Item(item) {}

    TVisitAnswer Visit(const TVisitEntry& entry) override {
        if (entry.Depth == 0 && TIdentity{entry.St.st_dev, entry.St.st_ino} != Item) {
            Fail(entry, "it was replaced just before it was to be deleted; it was left alone");
            return TVisitAnswer::Pass;
        }
        if (!S_ISDIR(entry.St.st_mode)) {
            if (unlinkat(entry.Folder, entry.Name.c_str(), 0) == 0)
                ++Result.RemovedFiles;
            else if (errno != ENOENT)
                Fail(entry, ErrorText(errno));
            return TVisitAnswer::Pass;
        }
        if (entry.OtherMount) {
            Fail(entry, "another file system is mounted here; it was left alone");
            return TVisitAnswer::Pass;
        }
        return TVisitAnswer::Enter;
    }

    TVisitAnswer Fault(const TVisitEntry& entry, TVisitFault fault, int error) override {
        switch (fault) {
        case TVisitFault::Examine:
            // Gone already: nothing left to remove below; the item itself
            // gone before it was reached is not a delete that was done.
            if (error != ENOENT || entry.Depth == 0)
                Fail(entry, error == ENOENT ? "it was no longer there" : ErrorText(error));
            break;
        case TVisitFault::Open:
            // An empty folder that cannot be listed can still be removed.
            if (unlinkat(entry.Folder, entry.Name.c_str(), AT_REMOVEDIR) == 0)
                ++Result.RemovedFolders;
            else if (error != ENOENT)
                Fail(entry, ErrorText(error));
            break;
        case TVisitFault::Replaced:
            Fail(entry, "it changed while it was being deleted");
            break;
        case TVisitFault::List:
            Fail(entry, "cannot be listed: " + ErrorText(error));
            break;
        case TVisitFault::MirrorOpen:
        case TVisitFault::WayBack:
        case TVisitFault::MirrorWayBack:
            Fail(entry, "its folder was moved while it was being deleted; stopped");
            return TVisitAnswer::End;
        }
        return TVisitAnswer::Pass;
    }

    void Entered(const TVisitEntry&, int, int) override { Failed.push_back(false); }

    bool Left(const TVisitEntry& entry) override {
        const bool failedBelow = Failed.back();
        Failed.pop_back();
        if (unlinkat(entry.Folder, entry.Name.c_str(), AT_REMOVEDIR) == 0) {
            ++Result.RemovedFolders;
        } else if (!(failedBelow && errno == ENOTEMPTY)) {
            // A folder left non-empty by failures below needs no line of its own.
            Fail(entry, ErrorText(errno));
        }
        if (failedBelow)
            Failed.back() = true;
        return true;
    }

private:
    void Fail(const TVisitEntry& entry, const std::string& reason) {
        Failed.back() = true;
        ++Result.FailureCount;
        if (Result.Failures.size() < MaxReportedFailures)
            Result.Failures.push_back(
                {entry.Below.empty() ? ItemPath : ItemPath + "/" + entry.Below, reason});
    }

    TDeleteResult& Result;
    std::string ItemPath;
    TIdentity Item;
    // Per folder on the way down, the one holding the item first: whether
    // something in it stays.
    std::vector<bool> Failed{false};
};

void Delete(int parent, const std::string& parentPath, const std::string& name, TIdentity item,
            TDeleteResult& result) {
    TDeleteVisitor visitor(result, (parentPath == "/" ? "" : parentPath) + "/" + name, item);
    TTreeWalker(parent, name).Run(visitor);
}

} // namespace

TDeleteResult DeleteTree(const TScannedItem& item) {
    TDeleteResult result;
    TResolved r = Resolve(item);
    if (!r.Refused.empty()) {
        result.Refused = r.Refused;
        return result;
    }
    Delete(r.Parent.Get(), r.ParentPath, r.Name, TIdentity{r.Item.st_dev, r.Item.st_ino}, result);
    return result;
}

TDeleteResult DeleteTree(const std::string& path) {
    return DeleteTree(ItemAtPath(path));
}

void DeleteOwnTree(TOwnedFd parent, const std::string& parentPath, const std::string& name,
                   TIdentity item, TDeleteResult& result) {
    Delete(parent.Get(), parentPath, name, item, result);
}

} // namespace Platform
