// quillmere-scan's file lists against find's view of the same tree: a name
// that is not UTF-8, a hard link, a symbolic link and an empty file.
#include "ExecProgram.h"
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Standard output of the program, and its exit status.
std::pair<int, std::vector<std::string>> Run(const TTempTree& tree, std::vector<std::string> args) {
    const std::string out = tree.Path("out");
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
        ExecProgram(args);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(out, std::ios::binary);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            Lines(std::string((std::istreambuf_iterator<char>(in)), {}))};
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
        else if (c != '\r')
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
    FILE* find = popen(("find '" + root + "' ! -type d -printf '%s %p\\n'").c_str(), "r");
    ASSERT_TRUE(find);
    for (char line[4096]; std::fgets(line, sizeof line, find);) {
        std::string path = line;
        path.pop_back();
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
    pclose(find);
    ASSERT_EQ(found.size(), 9u);
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.Size > b.Size; });

    // The five largest in aligned columns after a title, a blank line and
    // the captions: each row is a file of find's with the size of its place.
    const auto [status, largest] = Run(tree, {QUILLMERE_SCAN, "--largest", "5", root});
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
    const auto [typeStatus, csv] = Run(tree, {QUILLMERE_SCAN, "--types", "--csv", root});
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
        char share[32];
        std::snprintf(share, sizeof share, "%.2f %%", 100.0 * double(bytes) / double(total));
        EXPECT_EQ(row[6], share) << csv[i];
        EXPECT_LE(bytes, previous) << csv[i];
        previous = bytes;
    }

    // Without the files kept there is nothing to list, and the status says so.
    const auto [unkept, text] = Run(tree, {QUILLMERE_SCAN, "--no-files", "--types", root});
    EXPECT_EQ(unkept, 1);
    EXPECT_EQ(
        std::count_if(text.begin(), text.end(), [](auto& l) { return l.rfind(".iso", 0) == 0; }),
        0);
}

} // namespace
