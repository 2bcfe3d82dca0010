// TOOLS.INI: any text gives a list of tools whose fields, written back as
// comma text, read as the same fields, and whose commands resolve to a
// program within its working folder.
#include "FuzzSupport.h"
#include "cleanup/ToolsList.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::string Quoted(const std::string& field) {
    std::string text = "\"";
    for (char c : field) {
        text += c;
        if (c == '"')
            text += '"';
    }
    return text + "\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<TTool> tools = ParseTools(text);
    FUZZ_CHECK(tools.size() <=
               static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    for (const TTool& tool : tools) {
        for (const std::string* field : {&tool.Caption, &tool.Hint, &tool.Command})
            FUZZ_CHECK(field->find('\n') == std::string::npos);
        const std::vector<std::string> again = CommaFields(
            Quoted(tool.Caption) + "," + Quoted(tool.Hint) + ", " + Quoted(tool.Command));
        FUZZ_CHECK(again.size() == 3);
        FUZZ_CHECK(again[0] == tool.Caption && again[1] == tool.Hint && again[2] == tool.Command);

        // A folder no one has, and no search path: nothing here starts or
        // finds a program of the machine's.
        const TToolLaunch launch = ToolLaunchOf(tool.Command, "/nonexistent-quillmere-tools", "");
        if (tool.Command.find('/') != std::string::npos)
            FUZZ_CHECK(launch.Program == tool.Command);
        else
            FUZZ_CHECK(launch.Program == "/nonexistent-quillmere-tools/" + tool.Command);
        FUZZ_CHECK(launch.Program.compare(0, launch.WorkingFolder.size(), launch.WorkingFolder) ==
                   0);
    }
    // Each line on its own lists what it adds to the whole, in order.
    std::size_t next = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        for (const TTool& tool : ParseTools(text.substr(start, end - start))) {
            FUZZ_CHECK(next < tools.size());
            FUZZ_CHECK(tools[next].Caption == tool.Caption && tools[next].Command == tool.Command);
            ++next;
        }
        start = end + 1;
    }
    FUZZ_CHECK(next == tools.size());
    return 0;
}
