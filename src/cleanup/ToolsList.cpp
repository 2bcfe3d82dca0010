#include "cleanup/ToolsList.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsProgram(const std::string& path) {
    return IsFile(path) && access(path.c_str(), X_OK) == 0;
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

std::vector<TTool> ParseTools(std::string_view text) {
    std::vector<TTool> tools;
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
    const std::string path = ToolsFilePath(configFolder, programFolder);
    if (path.empty())
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ParseTools(text);
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
