// The user's own commands of the Tools menu, as the file TOOLS.INI lists them:
// one line per tool, "caption, hint, command" as comma text. Paths are raw
// bytes; captions and hints are UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TTool {
    std::string Caption;
    std::string Hint;
    std::string Command;
};

// The fields of one line of comma text: separated by commas or blanks
// (control characters count as blanks); a field holding either is enclosed in
// double quotes, two double quotes inside standing for one. Two commas with
// nothing between them give an empty field, as does a comma at the end.
std::vector<std::string> CommaFields(std::string_view line);

// At most this many tools are taken from a file: a longer menu is of no
// use, and building one would hold up the window each time it is rebuilt.
constexpr std::size_t MaxTools = 1000;

// The tools a file's text lists, in order, at most MaxTools of them; `cut`,
// when given, tells whether more were left out. Empty lines, lines starting
// with "#" and lines of fewer than three fields add nothing; fields after
// the third are ignored.
std::vector<TTool> ParseTools(std::string_view text, bool* cut = nullptr);

// The TOOLS.INI in use: the one in the user's configuration folder, else the
// one in the program's folder; empty when neither exists.
std::string ToolsFilePath(const std::string& configFolder, const std::string& programFolder);

// The tools of the file in use; none when there is no file or it cannot be
// read (a missing file just means the user has no tools).
std::vector<TTool> LoadTools(const std::string& configFolder, const std::string& programFolder);

// The tools file as it was last read. Opening the Tools menu costs a look at
// the file: it is read again only when another file is in use or its
// identity, size or times changed.
class TToolsFile {
public:
    // Looks at the file in use; true when the tools may differ from the last
    // look's (the file was read again, or it is gone).
    bool Refresh(const std::string& configFolder, const std::string& programFolder);
    const std::vector<TTool>& Tools() const { return List; }
    // The file held more than MaxTools tools: the rest were left out.
    bool Cut() const { return WasCut; }

private:
    struct TStamp {
        std::string Path;
        std::uint64_t Device = 0;
        std::uint64_t Inode = 0;
        std::int64_t Size = 0;
        std::int64_t WriteSeconds = 0;
        std::int64_t WriteNanoseconds = 0;
        std::int64_t ChangeSeconds = 0;
        std::int64_t ChangeNanoseconds = 0;
        bool operator==(const TStamp&) const = default;
    };
    std::optional<TStamp> Seen;
    std::vector<TTool> List;
    bool WasCut = false;
    // The file was written so recently that a change within the same tick
    // of its times would not show.
    bool Racy = false;
};

// The program `name` in the first folder of searchPath (PATH's form: folders
// separated by ":"; empty and relative entries, which would mean whatever
// folder the program happens to run in, are passed over) that holds it as an executable
// file; empty when none does.
std::string FindOnPath(const std::string& name, const std::string& searchPath);

// What to start for a tool's command.
struct TToolLaunch {
    std::string Program;
    // The program's own folder, so tools that find their files beside
    // themselves work.
    std::string WorkingFolder;
};

// A command with a folder part is taken as it is. A bare name is looked up
// in the program's folder, then on searchPath as FindOnPath looks. A name found nowhere is
// taken as being in the program's folder, so that the failure to start it
// names a place.
TToolLaunch ToolLaunchOf(const std::string& command, const std::string& programFolder,
                         const std::string& searchPath);
