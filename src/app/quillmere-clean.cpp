// quillmere-clean: frees space from the command line with the same code and
// the same refusals as the window. "trash PATH" sends an item to the trash,
// "delete PATH" removes it for good after asking on the terminal.
//
// Exit status: 0 when done, 1 when refused or only partly done (what was
// left is listed on standard error), 2 for bad arguments.
#include "engine/Formatting.h"
#include "platform/FileOps.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Usage(const char* message) {
    std::fprintf(stderr, "quillmere-clean: %s\n", message);
    std::fprintf(stderr, "usage: quillmere-clean trash PATH\n"
                         "       quillmere-clean delete [--yes] PATH\n"
                         "exit status: 0 done, 1 refused or partly done, 2 bad arguments\n");
    return 2;
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

} // namespace

int main(int argc, char** argv) {
    // The locale of the sizes in the question.
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("no command given");
    const std::string command = args[0];
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
    if (command != "trash" && command != "delete")
        return Usage(("unknown command " + command).c_str());
    if (paths.size() != 1)
        return Usage(paths.empty() ? "no PATH given" : "only one PATH may be given");
    // Made absolute but not tidied: "a/.." must stay a name of "..", which is
    // refused, and ".." after a link means what the kernel says it means.
    std::string path = paths[0];
    if (path.empty())
        return Usage("an empty PATH names nothing");
    if (path[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        if (!cwd)
            return Usage("cannot read the current directory");
        path = std::string(cwd) + (std::strcmp(cwd, "/") == 0 ? "" : "/") + path;
        std::free(cwd);
    }
    return command == "trash" ? Trash(path) : Delete(path, yes);
}
