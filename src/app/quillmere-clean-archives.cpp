// quillmere-clean's archive commands: archive, list, restore, delete-archive,
// over the same archive component, catalogue and rules as the window.
//
//   archive FOLDER [--drive ROOT] [--level N] [--keep] [--no-subfolders]
//           [--no-hidden] [--description TEXT] [--password-file FILE]
//   list [--drive ROOT]
//   restore NAME [--drive ROOT] [--to FOLDER] [--keep-archive] [--password-file FILE]
//   delete-archive NAME [--drive ROOT]
//
// --drive defaults to the drive of FOLDER, else of the current folder.
//
// archive and restore run as the program's one background job: Ctrl+C and
// SIGTERM stop them with nothing lost (exit status 3), and a job held by a
// drive that does not answer is left to end alone, saying where things are.
#include "StopSignals.h"
#include "cleanup/ArchiveStore.h"
#include "platform/FileAt.h"
#include "platform/Mounts.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

int ArchiveUsage(const char* message);
// The path made absolute from the current folder, not tidied; empty when the
// current folder cannot be read.
std::string AbsolutePathArg(const std::string& path);

namespace {

struct TArgs {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Values;
    std::set<std::string> Flags;
};

// Options with a value, and plain flags, each command its own.
bool Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
           const std::set<std::string>& flags, TArgs& out, std::string& error) {
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && valued.contains(a)) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out.Values[a] = args[++i];
        } else if (!optionsEnd && flags.contains(a)) {
            out.Flags.insert(a);
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            out.Positional.push_back(a);
        }
    }
    return true;
}

std::string DriveOf(const TArgs& args, const std::string& path) {
    if (auto it = args.Values.find("--drive"); it != args.Values.end())
        return AbsolutePathArg(it->second);
    return Platform::DriveRootOf(AbsolutePathArg(path.empty() ? "." : path));
}

// The archives folder that list, restore and delete-archive work on; why
// it is not the drive's own goes to standard error.
std::string ArchivesFolderOf(const TArgs& args) {
    std::string notice;
    const std::string folder = ArchivesFolderFor(DriveOf(args, {}), &notice);
    if (!notice.empty())
        std::fprintf(stderr, "quillmere-clean: %s\n", notice.c_str());
    return folder;
}

// The first line of the file; false when it cannot be read.
bool ReadPassword(const TArgs& args, std::string& password) {
    auto it = args.Values.find("--password-file");
    if (it == args.Values.end())
        return true;
    std::ifstream file(it->second);
    return static_cast<bool>(std::getline(file, password)) && !password.empty();
}

// Runs work, which drives zip, as the background job, the component's events
// being its signs of life; on a terminal each entry is shown as it begins.
// stopAsked tells whether a signal asked the job to stop.
TJobState RunZipJob(const std::shared_ptr<TZipMaster>& zip, const char* doing,
                    std::function<void()> work, bool& stopAsked) {
    const bool terminal = isatty(STDERR_FILENO);
    TStopSignals stopSignals;
    const auto job = TBackgroundJob::Start(
        [zip, work = std::move(work)](TBackgroundJob& running) {
            std::uint64_t entries = 0;
            zip->OnProgress = [&running, &entries](ProgressType type, const std::string& name,
                                                   std::int64_t) {
                if (type == ProgressType::NewFile)
                    running.Report(++entries, 0, name);
                else
                    running.Beat();
            };
            work();
            zip->OnProgress = nullptr;
        },
        [zip] { zip->Cancel(); });
    const TJobState state = WaitStoppable(*job, stopSignals, [&] {
        // Add and Extract forget a Cancel that came before they began:
        // it is asked again until the work ends.
        if (job->Stopping())
            zip->Cancel();
        const TJobProgress progress = job->Progress();
        if (terminal && progress.Done > 0)
            std::fprintf(stderr, "\r\033[K%s entry %llu: %.*s", doing,
                         static_cast<unsigned long long>(progress.Done), 80, progress.Text.c_str());
    });
    if (terminal)
        std::fprintf(stderr, "\r\033[K");
    stopAsked = job->Stopping();
    if (state == TJobState::Finished)
        job->Rethrow();
    return state;
}

// After a job was handed over: what it holds stays held until the drive
// answers, so the program ends here, without unwinding under it.
[[noreturn]] void EndHandedOver(const std::string& message) {
    std::fprintf(stderr, "quillmere-clean: stopped; a drive is not answering. %s\n",
                 message.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(StoppedStatus);
}

const TCatalogueEntry* Find(const std::vector<TCatalogueEntry>& entries, const std::string& key) {
    for (const TCatalogueEntry& e : entries) {
        if (strcasecmp(e.Key.c_str(), key.c_str()) == 0)
            return &e;
    }
    return nullptr;
}

int Archive(const TArgs& args) {
    if (args.Positional.size() != 1)
        return ArchiveUsage("archive takes one FOLDER");
    TCompressRequest request;
    request.FolderPath = AbsolutePathArg(args.Positional[0]);
    request.DriveRoot = DriveOf(args, request.FolderPath);
    std::string notice;
    request.ArchivesFolder = ArchivesFolderFor(request.DriveRoot, &notice);
    if (!notice.empty())
        std::fprintf(stderr, "quillmere-clean: %s\n", notice.c_str());
    std::string name = request.FolderPath;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    request.Description = name.substr(name.rfind('/') + 1) + " Folder";
    if (auto it = args.Values.find("--description"); it != args.Values.end())
        request.Description = it->second;
    if (auto it = args.Values.find("--level"); it != args.Values.end()) {
        char* end = nullptr;
        const long level = std::strtol(it->second.c_str(), &end, 10);
        if (it->second.empty() || *end != '\0' || level < 0 || level > 9)
            return ArchiveUsage("--level takes 0 to 9");
        request.Level = static_cast<int>(level);
    }
    request.Options = AddDirNames | AddRecurseDirs | AddHiddenFiles | AddMove;
    if (args.Flags.contains("--keep"))
        request.Options &= ~static_cast<unsigned>(AddMove);
    if (args.Flags.contains("--no-subfolders"))
        request.Options &= ~static_cast<unsigned>(AddRecurseDirs);
    if (args.Flags.contains("--no-hidden"))
        request.Options &= ~static_cast<unsigned>(AddHiddenFiles);
    if (!ReadPassword(args, request.Password))
        return ArchiveUsage("the password file cannot be read");
    if (!request.Password.empty())
        request.Options |= AddEncrypt;

    const auto zip = std::make_shared<TZipMaster>();
    const auto outcome = std::make_shared<TCompressOutcome>();
    const auto random = std::make_shared<std::mt19937>(static_cast<std::uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ getpid()));
    bool stopAsked = false;
    const TJobState state = RunZipJob(
        zip, "Packing",
        [zip, outcome, random, request] { *outcome = CompressFolder(*zip, request, *random); },
        stopAsked);
    if (state == TJobState::HandedOver)
        EndHandedOver("Nothing of " + request.FolderPath +
                      " is removed before its archive is complete, checked and catalogued in " +
                      request.ArchivesFolder +
                      "; an unfinished archive there is removed the next time its archives "
                      "are listed.");
    if (!outcome->Made && zip->LastError() == ZipCancelled) {
        std::fprintf(stderr, "quillmere-clean: stopped; nothing was archived and %s is as it was\n",
                     request.FolderPath.c_str());
        return StoppedStatus;
    }
    if (!outcome->Made) {
        std::fprintf(stderr, "quillmere-clean: not archived: %s\n", outcome->Message.c_str());
        return 1;
    }
    if (stopAsked)
        std::fprintf(stderr, "quillmere-clean: the archive was complete before it could be "
                             "stopped\n");
    const TCompressOutcome& done = *outcome;
    std::printf("%s\t%s\n", done.Key.c_str(), done.ArchivePath.c_str());
    int status = 0;
    for (const std::string& kept : done.Kept) {
        std::fprintf(stderr, "%s: changed while it was archived; it was kept\n", kept.c_str());
        status = 1;
    }
    for (const std::string& left : done.NotRemoved) {
        std::fprintf(stderr, "%s\n", left.c_str());
        status = 1;
    }
    return status;
}

int List(const TArgs& args) {
    if (!args.Positional.empty())
        return ArchiveUsage("list takes no paths");
    const auto entries = ListArchives(ArchivesFolderOf(args));
    if (!entries) {
        std::fprintf(stderr, "quillmere-clean: %s\n", entries.Failure().Describe().c_str());
        return 1;
    }
    for (const TCatalogueEntry& e : *entries)
        std::printf("%s\t%s\t%s\t%s\n", e.Key.c_str(), e.Description.c_str(), e.FolderName.c_str(),
                    e.OriginalPath.c_str());
    return 0;
}

int Restore(const TArgs& args) {
    if (args.Positional.size() != 1)
        return ArchiveUsage("restore takes one NAME");
    const std::string folder = ArchivesFolderOf(args);
    const auto entries = ListArchives(folder);
    const TCatalogueEntry* entry = entries ? Find(*entries, args.Positional[0]) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "quillmere-clean: no archive %s in %s%s%s\n",
                     args.Positional[0].c_str(), folder.c_str(), entries ? "" : ": ",
                     entries ? "" : entries.Failure().Describe().c_str());
        return 1;
    }
    std::string to = entry->OriginalPath;
    if (auto it = args.Values.find("--to"); it != args.Values.end())
        to = AbsolutePathArg(it->second);
    const std::string restored = (to == "/" ? "" : to) + "/" + entry->FolderName;
    if (Platform::StatPath(restored, false)) {
        std::fprintf(stderr,
                     "quillmere-clean: %s exists; files of the same name in it would be "
                     "replaced. Restore elsewhere with --to, or move it away first.\n",
                     restored.c_str());
        return 1;
    }
    const auto zip = std::make_shared<TZipMaster>();
    if (!ReadPassword(args, zip->Password))
        return ArchiveUsage("the password file cannot be read");
    const auto outcome = std::make_shared<TRestoreOutcome>();
    const bool deleteArchive = !args.Flags.contains("--keep-archive");
    bool stopAsked = false;
    const TJobState state = RunZipJob(
        zip, "Restoring",
        [zip, outcome, folder, chosen = *entry, to, deleteArchive] {
            *outcome = RestoreArchive(*zip, folder, chosen, to, deleteArchive);
        },
        stopAsked);
    const std::string archive = entry->Key + " stays in " + folder;
    if (state == TJobState::HandedOver)
        EndHandedOver("The archive " + archive +
                      " (it is deleted only once every file came back whole); what was "
                      "restored so far is in " +
                      restored + ".");
    if (!outcome->Restored && zip->LastError() == ZipCancelled) {
        std::fprintf(stderr, "quillmere-clean: stopped; the archive %s%s\n", archive.c_str(),
                     Platform::StatPath(restored, false)
                         ? ("; what was restored so far is in " + restored).c_str()
                         : "");
        return StoppedStatus;
    }
    if (!outcome->Restored) {
        std::fprintf(stderr, "quillmere-clean: %s\n", outcome->Message.c_str());
        return 1;
    }
    if (stopAsked)
        std::fprintf(stderr, "quillmere-clean: the folder was restored before it could be "
                             "stopped\n");
    std::printf("%s\n", outcome->RestoredPath.c_str());
    if (outcome->DroppedModeBits > 0)
        std::fprintf(stderr,
                     "quillmere-clean: %llu %s restored without set-user-ID, set-group-ID or "
                     "sticky bits\n",
                     static_cast<unsigned long long>(outcome->DroppedModeBits),
                     outcome->DroppedModeBits == 1 ? "item was" : "items were");
    if (!outcome->Message.empty()) {
        std::fprintf(stderr, "quillmere-clean: %s\n", outcome->Message.c_str());
        return 1;
    }
    return 0;
}

int DeleteNamed(const TArgs& args) {
    if (args.Positional.size() != 1)
        return ArchiveUsage("delete-archive takes one NAME");
    const std::string folder = ArchivesFolderOf(args);
    const auto entries = ListArchives(folder);
    const TCatalogueEntry* entry = entries ? Find(*entries, args.Positional[0]) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "quillmere-clean: no archive %s in %s%s%s\n",
                     args.Positional[0].c_str(), folder.c_str(), entries ? "" : ": ",
                     entries ? "" : entries.Failure().Describe().c_str());
        return 1;
    }
    if (const TStatus deleted = DeleteArchive(folder, entry->Key); !deleted) {
        std::fprintf(stderr, "quillmere-clean: %s\n", deleted.Failure().Text.c_str());
        return 1;
    }
    return 0;
}

} // namespace

// -1 when the command is not one of these.
int RunArchiveCommand(const std::string& command, const std::vector<std::string>& rest) {
    TArgs args;
    std::string error;
    bool parsed = true;
    if (command == "archive")
        parsed = Parse(rest, {"--drive", "--level", "--description", "--password-file"},
                       {"--keep", "--no-subfolders", "--no-hidden"}, args, error);
    else if (command == "list")
        parsed = Parse(rest, {"--drive"}, {}, args, error);
    else if (command == "restore")
        parsed =
            Parse(rest, {"--drive", "--to", "--password-file"}, {"--keep-archive"}, args, error);
    else if (command == "delete-archive")
        parsed = Parse(rest, {"--drive"}, {}, args, error);
    else
        return -1;
    if (!parsed)
        return ArchiveUsage(error.c_str());
    if (command == "archive")
        return Archive(args);
    if (command == "list")
        return List(args);
    if (command == "restore")
        return Restore(args);
    return DeleteNamed(args);
}
