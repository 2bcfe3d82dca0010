// What every walk of a move's copy does alike: the source's own folder must
// be the one checked, no folder of the source may be the target's folder or
// the copy, no other mount is entered, and a failure names the path below
// the source with the reason. Counting is here too: it needs nothing else.
#include "platform/linux/CopyWalk.h"

#include "platform/DirReader.h"

#include <cerrno>

namespace Platform {

TCopyStep TCopyWalk::Run(bool withCopy) {
    TTreeWalker walker(S.SourceParent.Get(), S.SourceName);
    if (withCopy)
        walker.SetMirror(S.TargetParent.Get(), S.Published ? S.TargetName : S.TempName,
                         S.TempId.Dev, S.TempId.Ino);
    if (walker.Run(*this))
        return TCopyStep::Done;
    return Outcome == TCopyStep::Done ? TCopyStep::Failed : Outcome;
}

std::string TCopyWalk::PathOf(const std::string& below) const {
    return below.empty() ? S.SourcePath : S.SourcePath + "/" + below;
}

std::string TCopyWalk::InsideText() const {
    return "it is the target's folder " + Quoted(S.TargetFolder) +
           " under another path; a folder cannot be moved into itself";
}

bool TCopyWalk::IsTargetOrCopy(const struct stat& st) const {
    const TIdentity id{st.st_dev, st.st_ino};
    return id == S.TargetId || (S.Made && id == S.TempId);
}

TCopyStep TCopyWalk::Fail(const std::string& below, const std::string& reason) {
    Problem = Quoted(PathOf(below)) + ": " + reason + ".";
    FailedBelow = below;
    FailedReason = reason;
    Outcome = TCopyStep::Failed;
    return TCopyStep::Failed;
}

void TCopyWalk::Keep(const std::string&, const std::string&) {}

TVisitAnswer TCopyWalk::Next(TCopyStep step) {
    if (step == TCopyStep::Done)
        return TVisitAnswer::Enter;
    Outcome = step;
    return TVisitAnswer::End;
}

TVisitAnswer TCopyWalk::Visit(const TVisitEntry& entry) {
    if (entry.Depth == 0) {
        if (entry.St.st_dev != S.SourceStat.st_dev || entry.St.st_ino != S.SourceStat.st_ino ||
            !S_ISDIR(entry.St.st_mode))
            return Next(Fail({}, "it was replaced after it was checked"));
        if (TIdentity{entry.St.st_dev, entry.St.st_ino} == S.TargetId)
            return Next(Fail({}, InsideText()));
        return TVisitAnswer::Enter;
    }
    // Once the copy is in place, the source goes whatever happens.
    if (!Removing() && Watcher.Stopping())
        return Next(TCopyStep::Stopped);
    Watcher.Entering(entry.Below);
    if (S_ISDIR(entry.St.st_mode) && entry.OtherMount) {
        if (Removing()) {
            Keep(entry.Below, "another drive is mounted here; it was left alone");
            return TVisitAnswer::Pass;
        }
        return Next(Fail(entry.Below, "another drive is mounted here; unmount it first"));
    }
    // The target's folder, or the copy, reached as a folder of the source
    // (a bind mount, or a rename meanwhile): never copied into itself,
    // never removed.
    if (S_ISDIR(entry.St.st_mode) && IsTargetOrCopy(entry.St)) {
        if (Removing()) {
            Keep(entry.Below, "the moved folder is inside it; it was left alone");
            return TVisitAnswer::Pass;
        }
        return Next(Fail(entry.Below, InsideText()));
    }
    const TVisitAnswer next = Entry(entry);
    if (next == TVisitAnswer::Enter && !S_ISDIR(entry.St.st_mode))
        Watcher.EntryDone();
    return next;
}

TVisitAnswer TCopyWalk::Fault(const TVisitEntry& entry, TVisitFault fault, int error) {
    const bool top = entry.Depth == 0;
    std::string reason;
    switch (fault) {
    case TVisitFault::Examine:
        // Deleted from the source meanwhile: nothing of it to keep.
        if (error == ENOENT && !top)
            return TVisitAnswer::Pass;
        reason = ErrorText(error);
        break;
    case TVisitFault::Open:
        reason = ErrorText(error);
        break;
    case TVisitFault::Replaced:
        reason = top ? "it was replaced after it was checked"
                     : "it was replaced while it was being copied";
        break;
    case TVisitFault::MirrorOpen:
        if (top)
            return Next(Fail({}, "the copy's folder was replaced"));
        reason = "its copy cannot be opened: " + ErrorText(error);
        break;
    case TVisitFault::List:
        reason = "cannot be listed: " + ErrorText(error);
        break;
    case TVisitFault::WayBack:
    case TVisitFault::MirrorWayBack: {
        // Said of the folder the walk could not return to.
        const std::size_t slash = entry.Below.rfind('/');
        const std::string above = slash == std::string::npos ? "" : entry.Below.substr(0, slash);
        return Next(Fail(above, fault == TVisitFault::WayBack
                                    ? "it was moved while it was being copied"
                                    : "its copy was moved while it was being made"));
    }
    }
    Fail(entry.Below, reason);
    if (Removing() && !top && fault != TVisitFault::Examine) {
        // A folder that cannot be entered stays, with everything in it.
        Keep(FailedBelow, FailedReason);
        return TVisitAnswer::Pass;
    }
    return Next(TCopyStep::Failed);
}

void TCopyWalk::Entered(const TVisitEntry& entry, int, int mirrorFd) {
    if (entry.Depth == 0)
        TopCopy = mirrorFd;
    else
        Watcher.EntryDone();
}

bool TCopyWalk::Leaving(const TVisitEntry&, int, int) {
    if (!Removing() && Watcher.Stopping()) {
        Next(TCopyStep::Stopped);
        return false;
    }
    return true;
}

TVisitAnswer TCopyCounter::Entry(const TVisitEntry& entry) {
    Tally.Add(entry.St);
    return TVisitAnswer::Enter;
}

} // namespace Platform
