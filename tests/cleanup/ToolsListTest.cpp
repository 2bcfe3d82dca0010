// The user's tools file read from disk as the Tools menu reads it, and the
// commands resolved as they are started.
#include "cleanup/ToolsList.h"
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

void WriteFile(const std::string& path, const std::string& text, bool executable = false) {
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), executable ? 0755 : 0644);
}

} // namespace

TEST(ToolsList, ReadsTheUsersFileAndResolvesCommands) {
    TTempTree temp;
    temp.MakeDir("config");
    temp.MakeDir("program");
    temp.MakeDir("bin one");
    temp.MakeDir("bin two");
    const std::string config = temp.Path("config");
    const std::string program = temp.Path("program");

    // Only the program's folder has a file: that one is read.
    WriteFile(program + "/TOOLS.INI", "Fallback,hint,cmd\n");
    EXPECT_EQ(ToolsFilePath(config, program), program + "/TOOLS.INI");
    ASSERT_EQ(LoadTools(config, program).size(), 1u);
    EXPECT_EQ(LoadTools(config, program)[0].Caption, "Fallback");

    // The user's own file wins over the program's.
    const std::string text = "# a comment, with \"quotes\", and three, fields\n"
                             "\n"
                             "Editor \"Edits the folder's list\" notepad\n"
                             "\"Disk, usage\",\"Says \"\"how much\"\"\",\"/opt/my tools/du\"\r\n"
                             "   Spaced ,  \"padded hint\"  ,   spaced-tool   extra fields\n"
                             "Short, \"only two\"\n"
                             "Empty,,\n"
                             "  # not a comment: the line does not start with it\n"
                             "Caf\xc3\xa9,\"hint\",\"\xff\xfe-tool\"";
    WriteFile(config + "/TOOLS.INI", text);
    EXPECT_EQ(ToolsFilePath(config, program), config + "/TOOLS.INI");
    const std::vector<TTool> tools = LoadTools(config, program);
    ASSERT_EQ(tools.size(), 6u);
    EXPECT_EQ(tools[0].Caption, "Editor");
    EXPECT_EQ(tools[0].Hint, "Edits the folder's list");
    EXPECT_EQ(tools[0].Command, "notepad");
    EXPECT_EQ(tools[1].Caption, "Disk, usage");
    EXPECT_EQ(tools[1].Hint, "Says \"how much\"");
    EXPECT_EQ(tools[1].Command, "/opt/my tools/du");
    EXPECT_EQ(tools[2].Caption, "Spaced");
    EXPECT_EQ(tools[2].Hint, "padded hint");
    EXPECT_EQ(tools[2].Command, "spaced-tool");
    // Two commas in a row leave empty fields, which still count.
    EXPECT_EQ(tools[3].Caption, "Empty");
    EXPECT_EQ(tools[3].Hint, "");
    EXPECT_EQ(tools[3].Command, "");
    EXPECT_EQ(tools[4].Caption, "#");
    EXPECT_EQ(tools[4].Hint, "not");
    EXPECT_EQ(tools[4].Command, "a");
    // Bytes that are not UTF-8 reach the command unchanged.
    EXPECT_EQ(tools[5].Caption, "Caf\xc3\xa9");
    EXPECT_EQ(tools[5].Command, "\xff\xfe-tool");

    // A file that is no regular file is no tools file.
    temp.Remove("config/TOOLS.INI");
    temp.MakeDir("config/TOOLS.INI");
    temp.Remove("program/TOOLS.INI");
    EXPECT_EQ(ToolsFilePath(config, program), "");
    EXPECT_TRUE(LoadTools(config, program).empty());

    // Bare names: the program's folder first, then PATH in order; a name found
    // nowhere is placed in the program's folder.
    WriteFile(program + "/both", "#!/bin/sh\n", true);
    WriteFile(temp.Path("bin one/both"), "#!/bin/sh\n", true);
    WriteFile(temp.Path("bin one/readonly"), "#!/bin/sh\n", false);
    WriteFile(temp.Path("bin two/readonly"), "#!/bin/sh\n", true);
    WriteFile(program + "/notrun", "text\n", false);
    const std::string path = "::" + temp.Path("bin one") + "::" + temp.Path("bin two") + ":";

    TToolLaunch both = ToolLaunchOf("both", program, path);
    EXPECT_EQ(both.Program, program + "/both");
    EXPECT_EQ(both.WorkingFolder, program);
    // Not executable in the first PATH folder: the second one's is taken.
    TToolLaunch onPath = ToolLaunchOf("readonly", program, path);
    EXPECT_EQ(onPath.Program, temp.Path("bin two/readonly"));
    EXPECT_EQ(onPath.WorkingFolder, temp.Path("bin two"));
    TToolLaunch nowhere = ToolLaunchOf("nowhere", program, path);
    EXPECT_EQ(nowhere.Program, program + "/nowhere");
    EXPECT_EQ(nowhere.WorkingFolder, program);
    TToolLaunch document = ToolLaunchOf("notrun", program, "");
    EXPECT_EQ(document.Program, program + "/notrun");

    // A folder part is kept as written.
    TToolLaunch full = ToolLaunchOf("/opt/my tools/du", program, path);
    EXPECT_EQ(full.Program, "/opt/my tools/du");
    EXPECT_EQ(full.WorkingFolder, "/opt/my tools");
    TToolLaunch atRoot = ToolLaunchOf("/tool", program, path);
    EXPECT_EQ(atRoot.WorkingFolder, "/");
}

// The menu asks at every opening; the file is read only when it changed,
// and a file of very many tools gives the first MaxTools.
TEST(ToolsList, IsReadAgainOnlyWhenTheFileChangedAndCutAtTheLimit) {
    TTempTree temp;
    temp.MakeDir("config");
    temp.MakeDir("program");
    const std::string config = temp.Path("config");
    const std::string program = temp.Path("program");
    const std::string file = config + "/TOOLS.INI";
    // Written long ago, so that the file's times alone tell a change.
    const auto writeOld = [&](const std::string& text, int hoursAgo) {
        WriteFile(file, text);
        const timespec then{time(nullptr) - hoursAgo * 3600, 0};
        const timespec times[2] = {then, then};
        ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    };
    std::string many;
    for (std::size_t i = 0; i < MaxTools + 500; ++i)
        many += "# a comment\nTool" + std::to_string(100000 + i) + ",hint,cmd\n";
    writeOld(many, 5);

    TToolsFile tools;
    ASSERT_TRUE(tools.Refresh(config, program));
    ASSERT_EQ(tools.Tools().size(), MaxTools);
    EXPECT_TRUE(tools.Cut());
    EXPECT_EQ(tools.Tools().back().Caption, "Tool" + std::to_string(100000 + MaxTools - 1));
    EXPECT_FALSE(tools.Refresh(config, program));

    // A shorter file, then one of the same size with another time: each is
    // read again, once.
    writeOld("One,hint,cmd\nTwo,hint,cmd\n", 4);
    ASSERT_TRUE(tools.Refresh(config, program));
    EXPECT_EQ(tools.Tools().size(), 2u);
    EXPECT_FALSE(tools.Cut());
    EXPECT_FALSE(tools.Refresh(config, program));
    writeOld("Six,hint,cmd\nTwo,hint,cmd\n", 3);
    ASSERT_TRUE(tools.Refresh(config, program));
    EXPECT_EQ(tools.Tools().front().Caption, "Six");
    EXPECT_FALSE(tools.Refresh(config, program));

    // Just written: read again at the next look as well, since a second
    // write within the same tick of the file's clock would not show.
    WriteFile(file, "Uno,hint,cmd\nDue,hint,cmd\n");
    ASSERT_TRUE(tools.Refresh(config, program));
    WriteFile(file, "Eins,hint,cmd\nZwei,hint,cmd\n");
    ASSERT_TRUE(tools.Refresh(config, program));
    EXPECT_EQ(tools.Tools().front().Caption, "Eins");

    // The user's file goes: the program's takes its place, then none.
    WriteFile(program + "/TOOLS.INI", "Fallback,hint,cmd\n");
    temp.Remove("config/TOOLS.INI");
    ASSERT_TRUE(tools.Refresh(config, program));
    ASSERT_EQ(tools.Tools().size(), 1u);
    temp.Remove("program/TOOLS.INI");
    EXPECT_TRUE(tools.Refresh(config, program));
    EXPECT_TRUE(tools.Tools().empty());
    EXPECT_FALSE(tools.Refresh(config, program));
}
