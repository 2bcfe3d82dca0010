// Move, archive, restore, trash and delete on a drive whose files fail to
// read, whose disk fills up, whose entries vanish and whose folders refuse,
// each fault injected at several steps of the operation: after every case
// each file of the folder is whole in at least one place (where it was, at
// the target, in the archive or in the trash), nothing half made is left,
// and what the operation says it did is what it did.
#include "cleanup/ArchiveStore.h"
#include "cleanup/FolderMove.h"
#include "common/FaultFigures.h"
#include "common/FaultFsMount.h"
#include "common/TempTree.h"
#include "common/TreeSnapshot.h"
#include "common/Watchdog.h"
#include "platform/FileOps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The archives listed; none, with `error` saying why, when listing failed.
std::vector<TCatalogueEntry> Listed(const std::string& folder, std::string& error) {
    TResult<std::vector<TCatalogueEntry>> listed = ListArchives(folder);
    error = listed ? std::string() : listed.Failure().Describe();
    return listed ? std::move(*listed) : std::vector<TCatalogueEntry>();
}

// Files with contents of their own, so a digest tells a torn copy.
void WriteBytes(const std::string& path, std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 16);
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, bytes.data(), size), static_cast<ssize_t>(size));
    close(fd);
}

bool IsFileEntry(const std::string& description) {
    const mode_t mode = static_cast<mode_t>(std::strtoul(description.c_str(), nullptr, 8));
    return S_ISREG(mode) || S_ISLNK(mode);
}

// The files of `before` that are whole in none of the places (snapshots of
// where the folder was, of the target, of an archive's contents...).
std::vector<std::string> LostFiles(const TTreeSnapshot& before,
                                   const std::vector<TTreeSnapshot>& places) {
    std::vector<std::string> lost;
    for (const auto& [path, description] : before) {
        if (!IsFileEntry(description))
            continue;
        bool whole = false;
        for (const TTreeSnapshot& place : places) {
            auto it = place.find(path);
            whole = whole || (it != place.end() && it->second == description);
        }
        if (!whole)
            lost.push_back(path);
    }
    return lost;
}

// Rewrites the file's first byte in place (to another value), at the same
// size; with oldTimeBack, puts its modification time back as rsync or tar
// would.
void RewriteInPlace(const std::string& path, bool oldTimeBack) {
    struct stat was {};
    ASSERT_EQ(stat(path.c_str(), &was), 0);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    char first = 0;
    ASSERT_EQ(pread(fd, &first, 1, 0), 1);
    first = static_cast<char>(~first);
    ASSERT_EQ(pwrite(fd, &first, 1, 0), 1);
    if (oldTimeBack) {
        const timespec times[2] = {was.st_atim, was.st_mtim};
        ASSERT_EQ(futimens(fd, times), 0);
    }
    close(fd);
}

class FaultCleanUp : public testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_STATE_HOME", Tree.Path("state").c_str(), 1);
        Tree.MakeDir("state");
        Tree.MakeDir("drive");
        Tree.MakeDir("local");
    }
    void TearDown() override { unsetenv("XDG_STATE_HOME"); }

    // The folder anew below `parent` (a plain path): seven files in three
    // levels, one of them, "gone.txt", the one that vanishes.
    void MakeDocs(const std::string& parent) {
        RemoveTreeForTest(parent + "/docs");
        for (const char* folder : {"/docs", "/docs/c", "/docs/f", "/docs/f/g"})
            mkdir((parent + folder).c_str(), 0755);
        WriteBytes(parent + "/docs/a.txt", 20000, 1);
        WriteBytes(parent + "/docs/b.bin", 300000, 2);
        WriteBytes(parent + "/docs/c/d.txt", 5000, 3);
        WriteBytes(parent + "/docs/c/e.txt", 100, 4);
        WriteBytes(parent + "/docs/gone.txt", 3000, 5);
        WriteBytes(parent + "/docs/f/g/h.txt", 70000, 6);
        WriteBytes(parent + "/docs/f/i.txt", 1, 7);
    }

    // One case's end: every file whole somewhere, the operation's own
    // promise kept; counted for the figures.
    void Verdict(const std::string& operation, const std::string& fault,
                 const TTreeSnapshot& before, const std::vector<TTreeSnapshot>& places,
                 bool promiseKept) {
        const std::vector<std::string> lost = LostFiles(before, places);
        EXPECT_TRUE(lost.empty()) << lost.size() << " lost, first " << lost[0];
        EXPECT_TRUE(promiseKept);
        RecordFaultCase(operation, fault, lost.empty() && promiseKept,
                        static_cast<int>(lost.size()));
    }

    TTempTree Tree;
    std::mt19937 Random{17};
};

struct TFault {
    const char* Name;
    std::vector<std::string> Rules; // "@" stands for the folder's path on the drive
};

std::vector<std::string> Placed(const TFault& fault, const std::string& folder) {
    std::vector<std::string> rules;
    for (std::string rule : fault.Rules) {
        if (auto at = rule.find('@'); at != std::string::npos)
            rule.replace(at, 1, folder);
        rules.push_back(rule);
    }
    return rules;
}

TEST_F(FaultCleanUp, EveryFileStaysWholeSomewhereWhateverFailsAndWhenever) {
    TFaultFsMount drive(Tree.Path("drive"));
    if (!drive.Mounted())
        GTEST_SKIP() << drive.Why();
    TWatchdog watchdog(std::chrono::seconds(240), "the clean-up fault scenarios");
    const std::string backing = drive.Backing();
    const std::string local = Tree.Path("local");
    const std::vector<TFault> sourceFaults = {
        {"read error", {"eio @/b.bin 1000"}},
        {"vanishing entry", {"vanish @/gone.txt"}},
        {"permission", {"eacces @/c"}},
    };

    // Moving off the faulty drive, each fault from the start, half way
    // through the copy, and while the source is removed.
    for (const TFault& fault : sourceFaults) {
        for (const auto& [step, phase, entry] :
             {std::tuple{"from the start", TMovePhase::Checking, 0},
              std::tuple{"half way through the copy", TMovePhase::Copying, 4},
              std::tuple{"while removing the source", TMovePhase::RemovingSource, 1}}) {
            const std::string name = std::string(fault.Name) + ", " + step;
            SCOPED_TRACE("move: " + name);
            drive.SetRules({});
            MakeDocs(backing);
            RemoveTreeForTest(local + "/moved");
            const TTreeSnapshot before = SnapshotTree(backing + "/docs");
            if (phase == TMovePhase::Checking)
                drive.SetRules(Placed(fault, "/docs"));
            TFolderMove move(Platform::ItemAtPath(drive.Path("docs")), local + "/moved");
            int seen = 0;
            move.BeforeEntry = [&](TMovePhase now, const std::string&) {
                if (now == phase && ++seen == entry)
                    drive.SetRules(Placed(fault, "/docs"));
            };
            const TMoveResult result = move.Run();
            drive.SetRules({});
            const TTreeSnapshot source = SnapshotTree(backing + "/docs");
            const TTreeSnapshot target = SnapshotTree(local + "/moved");
            bool kept = false;
            switch (result.Outcome) {
            case TMoveOutcome::Moved:
                kept = source.empty() && SnapshotDifference(before, target).empty();
                break;
            case TMoveOutcome::MovedIncomplete:
                // What vanished was never seen, so never copied; it stays
                // with what could not be removed, which is named.
                kept = !target.empty() && result.LeftBehindCount > 0 &&
                       result.LeftBehindCount == result.LeftBehind.size();
                break;
            case TMoveOutcome::NotMoved:
            case TMoveOutcome::Stopped:
                kept = SnapshotDifference(before, source).empty() && target.empty() &&
                       (result.Outcome == TMoveOutcome::Stopped || result.Failure);
                break;
            }
            // No hidden copy beside the target.
            kept = kept &&
                   FolderNames(local) == std::vector<std::string>(target.empty() ? 0 : 1, "moved");
            EXPECT_TRUE(kept) << (result.Failure ? result.Failure->Describe() : "");
            Verdict("move", name, before, {source, target}, kept);
        }
    }
    // Moving onto the faulty drive as it fills up half way through.
    for (const TFault& fault : {TFault{"no space", {"enospc / 150000"}}}) {
        SCOPED_TRACE(std::string("move onto the drive: ") + fault.Name);
        drive.SetRules({});
        MakeDocs(local);
        RemoveTreeForTest(backing + "/moved");
        const TTreeSnapshot before = SnapshotTree(local + "/docs");
        TFolderMove move(Platform::ItemAtPath(local + "/docs"), drive.Path("moved"));
        move.BeforeEntry = [&](TMovePhase, const std::string& below) {
            if (below == "a.txt")
                drive.SetRules(fault.Rules);
        };
        const TMoveResult result = move.Run();
        drive.SetRules({});
        const TTreeSnapshot source = SnapshotTree(local + "/docs");
        const TTreeSnapshot target = SnapshotTree(backing + "/moved");
        const bool kept =
            (result.Outcome == TMoveOutcome::NotMoved &&
             SnapshotDifference(before, source).empty() && FolderNames(backing).empty()) ||
            (result.Outcome == TMoveOutcome::Moved && source.empty() &&
             SnapshotDifference(before, target).empty());
        EXPECT_TRUE(kept) << (result.Failure ? result.Failure->Describe() : "");
        Verdict("move", std::string(fault.Name) + " at the target, half way through the copy",
                before, {source, target}, kept);
    }

    // Moving off a drive that keeps whole seconds while a file already
    // copied is rewritten in place at the same size, by a plain writer and
    // by one that puts the old modification time back: the last write is
    // whole somewhere.
    for (const bool oldTimeBack : {false, true}) {
        for (const auto& [step, phase] :
             {std::pair{"half way through the copy", TMovePhase::Copying},
              std::pair{"while removing the source", TMovePhase::RemovingSource}}) {
            const std::string name = std::string(oldTimeBack ? "rewritten with its old time put "
                                                               "back (whole-second times)"
                                                             : "rewritten in place at the same "
                                                               "size (whole-second times)") +
                                     ", " + step;
            SCOPED_TRACE("move: " + name);
            drive.SetRules({"coarse /"});
            MakeDocs(backing);
            RemoveTreeForTest(local + "/moved");
            TTreeSnapshot before = SnapshotTree(backing + "/docs", true);
            TFolderMove move(Platform::ItemAtPath(drive.Path("docs")), local + "/moved");
            std::string first, written;
            move.BeforeEntry = [&](TMovePhase now, const std::string& below) {
                if (now != phase || !written.empty() || !before.contains(below) ||
                    !IsFileEntry(before.at(below)))
                    return;
                // While copying, a file whose copy is done; while removing, the
                // file about to go.
                if (phase == TMovePhase::Copying && first.empty()) {
                    first = below;
                    return;
                }
                written = phase == TMovePhase::Copying ? first : below;
                RewriteInPlace(drive.Path("docs/" + written), oldTimeBack);
                before = SnapshotTree(backing + "/docs", true);
            };
            const TMoveResult result = move.Run();
            ASSERT_FALSE(written.empty());
            const TTreeSnapshot source = SnapshotTree(backing + "/docs", true);
            const TTreeSnapshot target = SnapshotTree(local + "/moved", true);
            // Stopped before the copy was published, or the rewritten file
            // left where it is, named.
            const bool kept =
                phase == TMovePhase::Copying
                    ? result.Outcome == TMoveOutcome::NotMoved &&
                          SnapshotDifference(before, source).empty() && target.empty()
                    : result.Outcome == TMoveOutcome::MovedIncomplete &&
                          result.LeftBehind.size() == 1 &&
                          result.LeftBehind[0].Path == drive.Path("docs/" + written) &&
                          source.contains(written);
            EXPECT_TRUE(kept) << (result.Failure ? result.Failure->Describe() : "");
            Verdict("move", name, before, {source, target}, kept);
        }
    }
    drive.SetRules({});

    // Archiving a folder of the faulty drive into its own archives folder:
    // each fault from the start and half way; the disk filling up.
    const std::string archives = ArchivesFolderFor(drive.Root());
    const std::string archivesBacking = backing + "/" + ArchivesFolderName;
    const auto archiveContents = [&](const std::string& key) {
        if (key.empty())
            return TTreeSnapshot{};
        RemoveTreeForTest(local + "/unpacked");
        TZipMaster zip;
        zip.ZipFileName = archivesBacking + "/" + key;
        zip.ExtrBaseDir = local + "/unpacked";
        // What did come back is compared; a failed restore shows as a difference.
        (void)zip.Extract();
        return SnapshotTree(local + "/unpacked/docs", true);
    };
    std::vector<TFault> archiveFaults = sourceFaults;
    archiveFaults.push_back(
        {"no space", {"enospc /" + std::string(ArchivesFolderName) + " 100000"}});
    for (const TFault& fault : archiveFaults) {
        for (const auto& [step, entry] :
             {std::pair{"from the start", 0}, std::pair{"half way", 4}}) {
            const std::string name = std::string(fault.Name) + ", " + step;
            SCOPED_TRACE("archive: " + name);
            drive.SetRules({});
            MakeDocs(backing);
            RemoveTreeForTest(archivesBacking);
            const TTreeSnapshot before = SnapshotTree(backing + "/docs", true);
            if (entry == 0)
                drive.SetRules(Placed(fault, "/docs"));
            TZipMaster zip;
            int seen = 0;
            zip.OnProgress = [&](ProgressType type, const std::string&, std::int64_t) {
                if (type == ProgressType::NewFile && ++seen == entry)
                    drive.SetRules(Placed(fault, "/docs"));
            };
            TCompressRequest request;
            request.FolderPath = drive.Path("docs");
            request.ArchivesFolder = archives;
            request.DriveRoot = drive.Root();
            const TCompressOutcome outcome = CompressFolder(zip, request, Random);
            drive.SetRules({});
            const TTreeSnapshot source = SnapshotTree(backing + "/docs", true);
            std::string error;
            const std::vector<TCatalogueEntry> listed = Listed(archives, error);
            const TTreeSnapshot archived = archiveContents(outcome.Made ? outcome.Key : "");
            // Made: catalogued, and what left the folder is in the archive.
            // Not made: the folder as it was, no archive, no partial file.
            const bool kept = outcome.Made
                                  ? listed.size() == 1 &&
                                        LostFiles(before, {archived}).size() <=
                                            (std::string(fault.Name) == "vanishing entry" ? 1u : 0u)
                                  : SnapshotDifference(before, source).empty() &&
                                        FolderNames(archivesBacking).empty() && listed.empty();
            EXPECT_TRUE(kept) << outcome.Message;
            Verdict("archive", name, before, {source, archived}, kept);
        }
    }

    // Archiving with "move to archive" off a drive that keeps whole seconds
    // while a file already read into the archive is rewritten in place at
    // the same size, plainly and with its old time put back: the rewritten
    // file stays, named, and the archive holds what was read.
    for (const bool oldTimeBack : {false, true}) {
        const std::string name = oldTimeBack
                                     ? "rewritten with its old time put back (whole-second times)"
                                     : "rewritten in place at the same size (whole-second times)";
        SCOPED_TRACE("archive: " + name);
        drive.SetRules({"coarse /"});
        MakeDocs(backing);
        RemoveTreeForTest(archivesBacking);
        TTreeSnapshot before = SnapshotTree(backing + "/docs", true);
        std::string lastFile, written;
        TZipMaster zip;
        zip.OnProgress = [&](ProgressType type, const std::string& entry, std::int64_t) {
            if (type != ProgressType::NewFile || !written.empty())
                return;
            if (!lastFile.empty() && entry != "docs/" + lastFile) {
                // The file before this entry has been read whole.
                written = lastFile;
                RewriteInPlace(drive.Path("docs/" + written), oldTimeBack);
                before = SnapshotTree(backing + "/docs", true);
                return;
            }
            const std::string below = entry.substr(5);
            if (before.contains(below) && IsFileEntry(before.at(below)))
                lastFile = below;
        };
        TCompressRequest request;
        request.FolderPath = drive.Path("docs");
        request.ArchivesFolder = archives;
        request.DriveRoot = drive.Root();
        const TCompressOutcome outcome = CompressFolder(zip, request, Random);
        drive.SetRules({});
        ASSERT_FALSE(written.empty());
        const TTreeSnapshot source = SnapshotTree(backing + "/docs", true);
        const TTreeSnapshot archived = archiveContents(outcome.Made ? outcome.Key : "");
        const bool kept = outcome.Made && outcome.Kept.size() == 1 &&
                          outcome.Kept[0] == drive.Path("docs/" + written) &&
                          source.contains(written) && archived.size() + 1 >= before.size();
        EXPECT_TRUE(kept) << outcome.Message;
        Verdict("archive", name, before, {source, archived}, kept);
    }

    // Restoring an archive of the faulty drive: the archive unreadable half
    // way, the restore's disk filling up, an entry of the restored folder
    // vanishing, a restored folder refused. The archive stays unless every
    // file came back.
    const std::vector<TFault> restoreFaults = {
        {"read error", {"eio /" + std::string(ArchivesFolderName) + " 60000"}},
        {"no space", {"enospc /restored 150000"}},
        {"vanishing entry", {"vanish /restored/docs/c/d.txt"}},
        {"permission", {"eacces /restored/docs/f"}},
    };
    for (const TFault& fault : restoreFaults) {
        SCOPED_TRACE("restore: " + std::string(fault.Name));
        drive.SetRules({});
        MakeDocs(backing);
        RemoveTreeForTest(archivesBacking);
        RemoveTreeForTest(backing + "/restored");
        const TTreeSnapshot before = SnapshotTree(backing + "/docs", true);
        TZipMaster packer;
        TCompressRequest request;
        request.FolderPath = drive.Path("docs");
        request.ArchivesFolder = archives;
        request.DriveRoot = drive.Root();
        const TCompressOutcome made = CompressFolder(packer, request, Random);
        ASSERT_TRUE(made.Made) << made.Message;
        std::string error;
        const std::vector<TCatalogueEntry> listed = Listed(archives, error);
        ASSERT_EQ(listed.size(), 1u) << error;
        drive.SetRules(fault.Rules);
        TZipMaster zip;
        const TRestoreOutcome restored =
            RestoreArchive(zip, archives, listed[0], drive.Path("restored"), true);
        drive.SetRules({});
        const TTreeSnapshot back = SnapshotTree(backing + "/restored/docs", true);
        const TTreeSnapshot archived = archiveContents(restored.ArchiveDeleted ? "" : made.Key);
        // A failed restore leaves no file that looks whole and is not; but
        // for the one that vanished, which it can no longer reach to remove.
        std::vector<std::string> torn = LostFiles(back, {before});
        std::erase(torn, std::string(fault.Name) == "vanishing entry" ? "c/d.txt" : "");
        const bool noTornFiles = torn.empty();
        EXPECT_TRUE(noTornFiles);
        const bool kept =
            noTornFiles &&
            (restored.Restored ? SnapshotDifference(before, back).empty() && restored.ArchiveDeleted
                               : !restored.Message.empty() && !restored.ArchiveDeleted &&
                                     Listed(archives, error).size() == 1 &&
                                     SnapshotDifference(before, archived).empty());
        EXPECT_TRUE(kept) << restored.Message;
        Verdict("restore", fault.Name, before, {back, archived}, kept);
    }
    RemoveTreeForTest(archivesBacking);

    // Trash and delete on the faulty drive.
    const std::string trashFiles = backing + "/.Trash-" + std::to_string(getuid()) + "/files";
    const std::vector<TFault> trashFaults = {
        {"read error", {"eio /docs/b.bin 1000"}},
        {"no space", {"enospc / 10"}},
        {"vanishing entry", {"vanish /docs"}},
        {"permission", {"eacces /docs"}},
    };
    for (const TFault& fault : trashFaults) {
        SCOPED_TRACE("trash: " + std::string(fault.Name));
        drive.SetRules({});
        MakeDocs(backing);
        RemoveTreeForTest(backing + "/.Trash-" + std::to_string(getuid()));
        const TTreeSnapshot before = SnapshotTree(backing + "/docs");
        drive.SetRules(fault.Rules);
        const Platform::TTrashResult result = Platform::MoveToTrash(drive.Path("docs"));
        drive.SetRules({});
        const TTreeSnapshot source = SnapshotTree(backing + "/docs");
        const TTreeSnapshot trashed = SnapshotTree(trashFiles + "/docs");
        const bool kept = result.Ok
                              ? source.empty() && SnapshotDifference(before, trashed).empty()
                              : !result.Error.empty() && SnapshotDifference(before, source).empty();
        EXPECT_TRUE(kept) << result.Error;
        Verdict("trash", fault.Name, before, {source, trashed}, kept);
    }
    RemoveTreeForTest(backing + "/.Trash-" + std::to_string(getuid()));
    for (const TFault& fault : std::vector<TFault>{{"vanishing entry", {"vanish /docs/gone.txt"}},
                                                   {"permission", {"eacces /docs/c"}}}) {
        SCOPED_TRACE("delete: " + std::string(fault.Name));
        drive.SetRules({});
        MakeDocs(backing);
        const TTreeSnapshot before = SnapshotTree(backing + "/docs");
        drive.SetRules(fault.Rules);
        const Platform::TDeleteResult result = Platform::DeleteTree(drive.Path("docs"));
        drive.SetRules({});
        const TTreeSnapshot source = SnapshotTree(backing + "/docs");
        // What is left is what the delete names as left, and whole: the
        // files it could not reach are listed, their folders with them.
        bool kept = !result.Complete() && result.FailureCount == result.Failures.size();
        for (const auto& [path, description] : source) {
            if (!IsFileEntry(description))
                continue;
            bool named = false;
            for (const Platform::TDeleteFailure& failure : result.Failures)
                named = named || (drive.Path("docs/" + path)).rfind(failure.Path, 0) == 0;
            const auto was = before.find(path);
            kept = kept && named && was != before.end() && was->second == description;
        }
        EXPECT_TRUE(kept);
        RecordFaultCase("delete", fault.Name, kept, 0);
    }
}

} // namespace
