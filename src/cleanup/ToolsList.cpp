// The Tools menu's file: its comma text, the look that tells it changed,
// and where a tool's program is found (see ToolsList.h).
#include "cleanup/ToolsList.h"

#include "platform/FileAt.h"

#include <cstdint>
#include <ctime>

namespace {

bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

bool IsFile(const std::string& path) {
    const TResult<struct stat> st = Platform::StatPath(path, true);
    return st && S_ISREG(st->st_mode);
}

bool IsProgram(const std::string& path) {
    return IsFile(path) && Platform::MayRunPath(path);
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace

std::vector<std::string> CommaFields(std::string_view line) {
    std::vector<std::string> fields;
    size_t i = 0;
    const size_t n = line.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlank(line[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string field;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        } else {
            const size_t start = i;
            while (i < n && !IsBlank(line[i]) && line[i] != ',')
                ++i;
            field.assign(line.substr(start, i - start));
        }
        fields.push_back(std::move(field));
        skipBlanks();
        if (i < n && line[i] == ',') {
            ++i;
            if (i == n)
                fields.emplace_back();
            skipBlanks();
        }
    }
    return fields;
}

std::vector<TTool> ParseTools(std::string_view text, bool* cut) {
    std::vector<TTool> tools;
    if (cut)
        *cut = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        // A file saved with DOS line ends is still the same list.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string> fields = CommaFields(line);
        if (fields.size() < 3)
            continue;
        if (tools.size() == MaxTools) {
            if (cut)
                *cut = true;
            break;
        }
        tools.push_back({std::move(fields[0]), std::move(fields[1]), std::move(fields[2])});
    }
    return tools;
}

std::string ToolsFilePath(const std::string& configFolder, const std::string& programFolder) {
    for (const std::string* folder : {&configFolder, &programFolder}) {
        if (folder->empty())
            continue;
        std::string path = Joined(*folder, "TOOLS.INI");
        if (IsFile(path))
            return path;
    }
    return {};
}

std::vector<TTool> LoadTools(const std::string& configFolder, const std::string& programFolder) {
    TToolsFile file;
    file.Refresh(configFolder, programFolder);
    return file.Tools();
}

bool TToolsFile::Refresh(const std::string& configFolder, const std::string& programFolder) {
    // The file lives in the user's configuration folder or beside the
    // program, both on local drives the program itself started from, so a
    // plain look and read are fine on the window's thread.
    std::optional<TStamp> now;
    Platform::TFd fd;
    for (const std::string* folder : {&configFolder, &programFolder}) {
        if (folder->empty())
            continue;
        const std::string path = Joined(*folder, "TOOLS.INI");
        if (!IsFile(path))
            continue;
        // Not blocking: what was a file a moment ago may be a FIFO now.
        TResult<Platform::TFd> opened = Platform::OpenFilePathForReading(path, true);
        const TResult<struct stat> facts =
            opened ? Platform::StatAt(opened->Get(), "") : TResult<struct stat>(opened.Failure());
        if (!facts || !S_ISREG(facts->st_mode))
            continue;
        fd = std::move(*opened);
        const struct stat& st = *facts;
        now = TStamp{path,
                     static_cast<std::uint64_t>(st.st_dev),
                     static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::int64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                     static_cast<std::int64_t>(st.st_ctim.tv_sec),
                     static_cast<std::int64_t>(st.st_ctim.tv_nsec)};
        break;
    }
    if (now == Seen && !Racy)
        return false;
    Seen = now;
    List.clear();
    WasCut = false;
    Racy = false;
    if (fd.Valid()) {
        const TResult<std::string> text = Platform::ReadRest(fd.Get(), SIZE_MAX);
        if (text)
            List = ParseTools(*text, &WasCut);
        else
            Seen.reset(); // no half list; the next look tries again
        // The clock of file times ticks coarsely: a file written just now may
        // be written again within the same tick, which its stamp would not
        // show. Such a file is read again at the next look.
        Racy = now->WriteSeconds + 2 >= static_cast<std::int64_t>(std::time(nullptr));
    }
    return true;
}

std::string FindOnPath(const std::string& name, const std::string& searchPath) {
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        const std::string folder = searchPath.substr(start, end - start);
        start = end + 1;
        if (folder.empty() || folder[0] != '/')
            continue;
        if (std::string candidate = Joined(folder, name); IsProgram(candidate))
            return candidate;
    }
    return {};
}

TToolLaunch ToolLaunchOf(const std::string& command, const std::string& programFolder,
                         const std::string& searchPath) {
    std::string program = command;
    if (command.find('/') == std::string::npos) {
        program = Joined(programFolder, command);
        if (!IsProgram(program)) {
            if (std::string found = FindOnPath(command, searchPath); !found.empty())
                program = found;
        }
    }
    TToolLaunch launch;
    launch.Program = program;
    const size_t slash = program.rfind('/');
    if (slash == 0)
        launch.WorkingFolder = "/";
    else if (slash != std::string::npos)
        launch.WorkingFolder = program.substr(0, slash);
    return launch;
}
