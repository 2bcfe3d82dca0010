// The walks of a move's copy, each a visitor of the tree walk with the copy
// as its mirror: counting what is to be copied, copying it, checking the
// copy against the source, and removing from the source what is still the
// same as its copy. What they share: the state of the copy, the refusals
// (another mount, the target's folder met inside the source) and the words
// for what went wrong.
#pragma once

#include "platform/FileChange.h"
#include "platform/TreeCopy.h"
#include "platform/TreeWalker.h"
#include "platform/linux/FileOpsInternal.h"

#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace Platform {

// Splits an absolute path into its folder and last name; false when there is
// no last name to give.
bool SplitTarget(const std::string& path, std::string& folder, std::string& name);

struct TTreeCopy::TState {
    TOwnedFd SourceParent;
    std::string SourceName;
    std::string SourcePath;
    struct stat SourceStat {};

    TOwnedFd TargetParent; // opened for reading, so it can be flushed
    TIdentity TargetId;
    std::string TargetFolder;
    std::string TargetName;
    std::string TempName;
    TIdentity TempId;
    TCopyRecord Record;
    bool Made = false;
    bool Published = false;

    // Copying state.
    int Method = 0; // 0 copy_file_range, 1 sendfile, 2 read and write
    std::vector<char> Buffer;
    std::map<TIdentity, std::string> Linked; // first copy of each hard-linked file
    // What each file was when its copy began, and when that was: what the
    // check before the source goes compares with.
    struct TCopied {
        TFileStamp Stamp;
        std::timespec Start{};
    };
    std::map<TIdentity, TCopied> Copied;
};

// One walk over the source, with the copy beside it unless counting.
class TCopyWalk : public TTreeVisitor {
public:
    TCopyWalk(TTreeCopy::TState& state, TCopyWatcher& watcher, std::string& problem)
        : S(state), Watcher(watcher), Problem(problem) {}

    // Walks the source (with the copy as mirror when withCopy); Done when
    // the walk went through.
    TCopyStep Run(bool withCopy);

    TVisitAnswer Visit(const TVisitEntry& entry) final;
    TVisitAnswer Fault(const TVisitEntry& entry, TVisitFault fault, int error) final;
    void Entered(const TVisitEntry& entry, int fd, int mirrorFd) override;
    bool Leaving(const TVisitEntry& entry, int fd, int mirrorFd) override;

protected:
    // An entry below the source that passed the refusals; what the job does
    // with it. Enter when it is done with (a folder is then entered), Pass
    // when it stays as it is, End when the walk ends (see Next).
    virtual TVisitAnswer Entry(const TVisitEntry& entry) = 0;
    // Removing the source: every failure below the source keeps what it is
    // about, and the walk goes on.
    virtual bool Removing() const { return false; }
    // A failure below the source while removing it.
    virtual void Keep(const std::string& below, const std::string& reason);

    TCopyStep Fail(const std::string& below, const std::string& reason);
    // Enter when step is Done, else End with step as the walk's outcome.
    TVisitAnswer Next(TCopyStep step);
    std::string PathOf(const std::string& below) const;

    TTreeCopy::TState& S;
    TCopyWatcher& Watcher;
    std::string& Problem;
    int TopCopy = -1; // the copy's own folder, open for the whole walk
    std::string FailedBelow, FailedReason;

private:
    std::string InsideText() const;
    bool IsTargetOrCopy(const struct stat& st) const;

    TCopyStep Outcome = TCopyStep::Done;
};

class TCopyCounter : public TCopyWalk {
public:
    using TCopyWalk::TCopyWalk;
    TTreeTally Tally;

protected:
    TVisitAnswer Entry(const TVisitEntry& entry) override;
};

class TCopier : public TCopyWalk {
public:
    using TCopyWalk::TCopyWalk;
    bool Leaving(const TVisitEntry& entry, int fd, int mirrorFd) override;

protected:
    TVisitAnswer Entry(const TVisitEntry& entry) override;

private:
    TCopyStep CopyFile(const TVisitEntry& entry);
    bool CopyRange(int in, int out, std::uint64_t pos, std::uint64_t want, std::uint64_t& got);
};

class TCopyChecker : public TCopyWalk {
public:
    using TCopyWalk::TCopyWalk;

protected:
    TVisitAnswer Entry(const TVisitEntry& entry) override;
    // Whether the entry is still what was copied.
    TCopyStep Check(const TVisitEntry& entry);
    TCopyStep VerifyFile(const TVisitEntry& entry, const struct stat& copy);
    TCopyStep CompareContents(const TVisitEntry& entry);
};

// Removes from the source what is the same as its copy, by the test of the
// check; anything else stays and is listed in Removal.
class TSourceRemover : public TCopyChecker {
public:
    TSourceRemover(TTreeCopy::TState& state, TCopyWatcher& watcher, std::string& problem,
                   TDeleteResult& removal)
        : TCopyChecker(state, watcher, problem), Removal(removal) {}

    void Entered(const TVisitEntry& entry, int fd, int mirrorFd) override;
    bool Left(const TVisitEntry& entry) override;

    bool TopKept = false; // something of the source's own folder stays

protected:
    TVisitAnswer Entry(const TVisitEntry& entry) override;
    bool Removing() const override { return true; }
    void Keep(const std::string& below, const std::string& reason) override;

private:
    TDeleteResult& Removal;
    std::vector<bool> Kept; // per folder on the way down
};

// Owner where allowed, mode, extended attributes and times of one open item
// given to another; false with errno set on a failure that matters.
bool ApplyMetadata(int from, int to, const struct stat& st);

} // namespace Platform
