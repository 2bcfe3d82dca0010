// quillmere-scan's file lists against find's view of the same tree: a name
// that is not UTF-8, a hard link, a symbolic link and an empty file.
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// The exit status and the lines a shell command prints.
std::pair<int, std::vector<std::string>> Output(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    for (char line[4096]; pipe && std::fgets(line, sizeof line, pipe);)
        lines.emplace_back(line, std::strlen(line) - 1);
    const int status = pipe ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, lines};
}

// "2,930": bytes in KB, rounded, with thousands separators.
std::string Kb(long long bytes) {
    std::string digits = std::to_string((bytes * 2 + 1024) / 2048);
    for (auto i = static_cast<long long>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

std::vector<std::string> CsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

TEST(ScanFileLists, LargestFilesAndTypesAgreeWithFind) {
    TTempTree tree;
    tree.MakeFile("t/big.iso", 3000000);
    tree.MakeSymlink("big.iso", "t/link.iso");
    tree.MakeFile("t/noext", 2000100);
    tree.MakeFile("t/media/clip.mkv", 1500000);
    tree.MakeDir("t/media/more");
    tree.MakeHardLink("t/media/clip.mkv", "t/media/more/clip-hard.MKV");
    tree.MakeFile("t/bad\xff.dat", 900000);
    tree.MakeFile("t/docs/report.PDF", 700000);
    tree.MakeFile("t/docs/notes.txt", 12345);
    tree.MakeFile("t/docs/empty.txt", 0);
    const std::string root = tree.Path("t");

    struct TFound {
        long long Size;
        std::string Name, Folder;
    };
    std::vector<TFound> found;
    std::map<std::string, std::pair<int, long long>> types; // files, bytes
    long long total = 0;
    for (std::string path : Output("find " + root + " ! -type d -printf '%s %p\\n'").second) {
        // Bytes that are no UTF-8 show as U+FFFD, in reports as on screen.
        for (std::size_t at; (at = path.find('\xff')) != std::string::npos;)
            path.replace(at, 1, "\xEF\xBF\xBD");
        const std::size_t space = path.find(' '), slash = path.rfind('/');
        TFound f{std::stoll(path.substr(0, space)), path.substr(slash + 1),
                 path.substr(space + 1, slash - space - 1)};
        const std::size_t dot = f.Name.rfind('.');
        std::string ext = dot == std::string::npos || dot == 0 ? "(none)" : f.Name.substr(dot);
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        ++types[ext].first;
        types[ext].second += f.Size;
        total += f.Size;
        found.push_back(f);
    }
    ASSERT_EQ(found.size(), 9u);
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.Size > b.Size; });

    // The five largest in aligned columns after a title, a blank line and
    // the captions: each row is a file of find's with the size of its place.
    const std::string scan = std::string(QUILLMERE_SCAN) + " 2>/dev/null ";
    const auto [status, largest] = Output(scan + "--largest 5 " + root);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(largest.size(), 8u);
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string& row = largest[i + 3];
        const auto f = std::find_if(found.begin(), found.end(), [&](const TFound& f) {
            return row.rfind(f.Name + ' ', 0) == 0 && row.find(' ' + f.Folder + ' ') != row.npos;
        });
        ASSERT_NE(f, found.end()) << row;
        EXPECT_EQ(f->Size, found[i].Size) << row;
        EXPECT_NE(row.find(' ' + Kb(f->Size) + " KB"), row.npos) << row;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), f->Folder + f->Name), 0) << row;
        seen.push_back(f->Folder + f->Name);
    }

    // Per extension as CSV: files, size and share of the folder, by size.
    const auto [typeStatus, csv] = Output(scan + "--types --csv " + root);
    EXPECT_EQ(typeStatus, 0);
    ASSERT_EQ(csv.size(), types.size() + 1);
    long long previous = total;
    for (std::size_t i = 1; i < csv.size(); ++i) {
        const std::vector<std::string> row = CsvFields(csv[i]);
        ASSERT_EQ(row.size(), 7u) << csv[i];
        ASSERT_EQ(types.count(row[0]), 1u) << csv[i];
        const auto [files, bytes] = types[row[0]];
        EXPECT_EQ(row[2], std::to_string(files)) << csv[i];
        EXPECT_EQ(row[3], Kb(bytes) + " KB") << csv[i];
        EXPECT_EQ(std::stod(row[6]), std::round(10000.0 * double(bytes) / double(total)) / 100)
            << csv[i];
        EXPECT_LE(bytes, previous) << csv[i];
        previous = bytes;
    }

    // Without the files kept there is nothing to list, and the status says so.
    const auto [unkept, text] = Output(scan + "--no-files --types " + root);
    EXPECT_EQ(unkept, 1);
    EXPECT_EQ(
        std::count_if(text.begin(), text.end(), [](auto& l) { return l.rfind(".iso", 0) == 0; }),
        0);
}

} // namespace
