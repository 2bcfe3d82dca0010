// quillmere-clean: frees space from the command line with the same code and
// the same refusals as the window. "trash PATH" sends an item to the trash,
// "delete PATH" removes it for good after asking on the terminal, "move
// SOURCE TARGET" moves a folder to its new full path.
//
// Exit status: 0 when done, 1 when refused or only partly done (what was
// left is listed on standard error), 2 for bad arguments, 3 when Ctrl+C or
// SIGTERM stopped a move, an archive or a restore (nothing lost).
#include "StopSignals.h"
#include "cleanup/FolderMove.h"
#include "engine/Formatting.h"
#include "platform/FileOps.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

int RunArchiveCommand(const std::string& command, const std::vector<std::string>& rest);

#ifndef QUILLMERE_VERSION
#error "the build passes QUILLMERE_VERSION"
#endif

namespace {

const char UsageText[] =
    "usage: quillmere-clean trash PATH\n"
    "       quillmere-clean delete [--yes] PATH\n"
    "       quillmere-clean move SOURCE TARGET\n"
    "       quillmere-clean archive FOLDER [--drive ROOT] [--level N] [--keep]\n"
    "                       [--no-subfolders] [--no-hidden] [--description TEXT]\n"
    "                       [--password-file FILE]\n"
    "       quillmere-clean list [--drive ROOT]\n"
    "       quillmere-clean restore NAME [--drive ROOT] [--to FOLDER]\n"
    "                       [--keep-archive] [--password-file FILE]\n"
    "       quillmere-clean delete-archive NAME [--drive ROOT]\n"
    "       quillmere-clean --help|--version\n"
    "\n"
    "Frees space with the window's code and refusals: trash sends an item to\n"
    "the trash, delete removes it for good after asking on the terminal (--yes\n"
    "without asking), move moves a folder to its new full path, archive packs\n"
    "a folder into a ZIP archive in the drive's archives folder, and list,\n"
    "restore and delete-archive work on those archives.\n"
    "Exit status: 0 done, 1 refused or partly done, 2 bad arguments, 3 stopped\n"
    "by Ctrl+C or SIGTERM (nothing lost).\n";

} // namespace

// A mistake in the arguments: what was wrong, then the usage, on standard
// error, so that a script's output stays clean.
int ArchiveUsage(const char* message) {
    std::fprintf(stderr, "quillmere-clean: %s\n\n%s", message, UsageText);
    return 2;
}

namespace {

int Usage(const char* message) {
    return ArchiveUsage(message);
}

std::string Counted(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Asks on the terminal; anything but "y" or "yes" is no.
bool Confirmed(const std::string& path, const Platform::TItemFigures& figures) {
    const std::string size = FormatSize(figures.Size).toStdString();
    if (figures.IsFolder)
        std::fprintf(stderr,
                     "Delete the folder %s and everything in it (%s in %s and %s) permanently? "
                     "[y/N] ",
                     path.c_str(), size.c_str(), Counted(figures.Files, "file", "files").c_str(),
                     Counted(figures.Folders, "folder", "folders").c_str());
    else
        std::fprintf(stderr, "Delete the file %s (%s) permanently? [y/N] ", path.c_str(),
                     size.c_str());
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

int Trash(const std::string& path) {
    const Platform::TTrashResult result = Platform::MoveToTrash(path);
    if (!result.Ok) {
        std::fprintf(stderr, "quillmere-clean: %s was not moved to the trash: %s\n", path.c_str(),
                     result.Error.c_str());
        return 1;
    }
    return 0;
}

int Delete(const std::string& path, bool yes) {
    if (const std::string refused = Platform::ProtectedReason(path); !refused.empty()) {
        std::fprintf(stderr, "quillmere-clean: %s\n", refused.c_str());
        return 1;
    }
    if (!yes) {
        if (!isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "quillmere-clean: not deleted: there is no terminal to ask on; "
                                 "give --yes to delete without asking\n");
            return 1;
        }
        // Measured as the item the delete takes: a link with a trailing
        // slash is the link, not the folder it leads to.
        const std::string item = Platform::PathOf(Platform::ItemAtPath(path));
        if (!Confirmed(item, Platform::MeasureItem(item))) {
            std::fprintf(stderr, "quillmere-clean: nothing was deleted\n");
            return 1;
        }
    }
    const Platform::TDeleteResult result = Platform::DeleteTree(path);
    if (!result.Refused.empty()) {
        std::fprintf(stderr, "quillmere-clean: %s\n", result.Refused.c_str());
        return 1;
    }
    if (!result.Complete()) {
        std::fprintf(stderr, "quillmere-clean: %llu %s could not be deleted:\n",
                     static_cast<unsigned long long>(result.FailureCount),
                     result.FailureCount == 1 ? "item" : "items");
        for (const Platform::TDeleteFailure& failure : result.Failures)
            std::fprintf(stderr, "%s: %s\n", failure.Path.c_str(), failure.Reason.c_str());
        if (result.FailureCount > result.Failures.size())
            std::fprintf(
                stderr, "... and %llu more\n",
                static_cast<unsigned long long>(result.FailureCount - result.Failures.size()));
        return 1;
    }
    return 0;
}

std::string Sized(std::uint64_t bytes) {
    return FormatSize(static_cast<std::int64_t>(bytes)).toStdString();
}

// One line of progress, rewritten in place on a terminal.
void ShowProgress(const TMoveProgress& p, double copyingSeconds) {
    std::string line;
    switch (p.Phase) {
    case TMovePhase::Checking:
    case TMovePhase::Measuring:
        line = "Counting what is to be moved...";
        break;
    case TMovePhase::Copying: {
        line = "Copying " + Sized(p.BytesDone) + " of " + Sized(p.BytesTotal) + ", " +
               std::to_string(p.FilesDone) + " of " + std::to_string(p.FilesTotal) + " items";
        const double left = MoveSecondsLeft(p, copyingSeconds);
        if (left >= 0)
            line += ", about " + std::to_string(static_cast<long long>(left) + 1) + " s left";
        break;
    }
    case TMovePhase::Verifying:
        line = "Checking the copy: " + std::to_string(p.FilesDone) + " of " +
               std::to_string(p.FilesTotal) + " items";
        break;
    case TMovePhase::RemovingSource:
        line = "Removing the original...";
        break;
    case TMovePhase::Done:
        break;
    }
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
}

int Move(const std::string& source, const std::string& target) {
    const auto move = std::make_shared<TFolderMove>(Platform::ItemAtPath(source), target);
    // Ctrl+C and a polite kill stop the move; the source then stays whole.
    TStopSignals stopSignals;
    const bool terminal = isatty(STDERR_FILENO);
    using TClock = std::chrono::steady_clock;
    std::optional<TClock::time_point> copyingSince;
    const auto job = StartMoveJob(move);
    const TJobState state = WaitStoppable(*job, stopSignals, [&] {
        const TMoveProgress progress = move->Progress();
        if (progress.Phase == TMovePhase::Copying && !copyingSince)
            copyingSince = TClock::now();
        if (terminal) {
            const double seconds =
                copyingSince ? std::chrono::duration<double>(TClock::now() - *copyingSince).count()
                             : 0.0;
            ShowProgress(progress, seconds);
        }
    });
    if (state == TJobState::HandedOver) {
        // Held in a call on a drive that does not answer. Before the copy
        // is in place the source is whole, and the next move removes what
        // was copied; after, the copy is whole.
        const bool copied = move->Progress().Phase == TMovePhase::RemovingSource;
        std::fprintf(stderr, "\r\033[Kquillmere-clean: stopped; a drive is not answering. %s\n",
                     copied ? ("The folder was copied whole to " + target +
                               "; what is left of the original stays.")
                                  .c_str()
                            : "Nothing was moved.");
        std::_Exit(StoppedStatus);
    }
    if (terminal)
        std::fprintf(stderr, "\r\033[K");
    const TMoveResult& result = move->Result();
    switch (result.Outcome) {
    case TMoveOutcome::Moved:
        return 0;
    case TMoveOutcome::Stopped:
        std::fprintf(stderr, "quillmere-clean: stopped; Nothing was moved.%s%s\n",
                     result.Failure ? " " : "",
                     result.Failure ? result.Failure->Describe().c_str() : "");
        return StoppedStatus;
    case TMoveOutcome::NotMoved:
    case TMoveOutcome::MovedIncomplete:
        std::fprintf(stderr, "quillmere-clean: %s\n",
                     result.Failure ? result.Failure->Describe().c_str() : "the move failed");
        if (result.Outcome == TMoveOutcome::NotMoved)
            return 1;
        for (const Platform::TDeleteFailure& failure : result.LeftBehind)
            std::fprintf(stderr, "%s: %s\n", failure.Path.c_str(), failure.Reason.c_str());
        if (result.LeftBehindCount > result.LeftBehind.size())
            std::fprintf(
                stderr, "... and %llu more\n",
                static_cast<unsigned long long>(result.LeftBehindCount - result.LeftBehind.size()));
        return 1;
    }
    return 1;
}

} // namespace

// Made absolute but not tidied: "a/.." must stay a name of "..", which is
// refused, and ".." after a link means what the kernel says it means.
std::string AbsolutePathArg(const std::string& path) {
    if (path[0] == '/')
        return path;
    char* cwd = getcwd(nullptr, 0);
    if (!cwd)
        return {};
    std::string result = std::string(cwd) + (std::strcmp(cwd, "/") == 0 ? "" : "/") + path;
    std::free(cwd);
    return result;
}

int main(int argc, char** argv) {
    // The locale of the sizes in the question.
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("no command given");
    const std::string command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(UsageText, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("quillmere-clean %s\n", QUILLMERE_VERSION);
        return 0;
    }
    if (const int status =
            RunArchiveCommand(command, std::vector<std::string>(args.begin() + 1, args.end()));
        status >= 0)
        return status;
    bool yes = false;
    std::vector<std::string> paths;
    bool optionsEnd = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!optionsEnd && args[i] == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && args[i] == "--yes" && command == "delete") {
            yes = true;
        } else if (!optionsEnd && args[i].size() > 1 && args[i][0] == '-') {
            return Usage(("unknown option " + args[i]).c_str());
        } else {
            paths.push_back(args[i]);
        }
    }
    if (command != "trash" && command != "delete" && command != "move")
        return Usage(("unknown command " + command).c_str());
    const std::size_t wanted = command == "move" ? 2 : 1;
    if (paths.size() != wanted)
        return Usage(paths.size() < wanted
                         ? (wanted == 2 ? "SOURCE and TARGET are needed" : "no PATH given")
                         : "too many paths given");
    for (std::string& path : paths) {
        if (path.empty())
            return Usage("an empty path names nothing");
        path = AbsolutePathArg(path);
        if (path.empty())
            return Usage("cannot read the current directory");
    }
    if (command == "move")
        return Move(paths[0], paths[1]);
    return command == "trash" ? Trash(paths[0]) : Delete(paths[0], yes);
}
