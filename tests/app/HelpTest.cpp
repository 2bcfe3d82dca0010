// What each program says about itself: help and version on standard output
// for a pipe to a pager, mistakes on standard error, all of it readable on an
// 80-column terminal.
#include "ExecProgram.h"
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct TOutput {
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Both streams go to files, so neither can fill a pipe and stall the other.
TOutput RunCapturing(const TTempTree& tree, std::vector<std::string> args) {
    const std::string out = tree.Path("out");
    const std::string err = tree.Path("err");
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        ExecProgram(args);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
}

std::string LongestLine(const std::string& text) {
    std::istringstream in(text);
    std::string longest;
    for (std::string line; std::getline(in, line);)
        if (line.size() > longest.size())
            longest = line;
    return longest;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

TEST(Programs, AnswerHelpAndVersionOnStandardOutputAndMistakesOnStandardError) {
    TTempTree tree;
    std::string version;
    for (const std::string program : {QUILLMERE, QUILLMERE_SCAN, QUILLMERE_CLEAN}) {
        const std::string name = BaseName(program);
        SCOPED_TRACE(name);

        const TOutput help = RunCapturing(tree, {program, "--help"});
        EXPECT_EQ(help.Status, 0);
        EXPECT_EQ(help.Err, "");
        EXPECT_EQ(help.Out.rfind("usage: " + name + " ", 0), 0u) << help.Out;
        EXPECT_NE(help.Out.find(name + " --help|--version"), std::string::npos) << help.Out;
        EXPECT_LT(LongestLine(help.Out).size(), 80u) << LongestLine(help.Out);

        // One version for the three, as the package installs them together.
        const TOutput shown = RunCapturing(tree, {program, "--version"});
        EXPECT_EQ(shown.Status, 0);
        EXPECT_EQ(shown.Err, "");
        ASSERT_EQ(shown.Out.rfind(name + " ", 0), 0u) << shown.Out;
        const std::string number = shown.Out.substr(name.size() + 1);
        EXPECT_TRUE(!number.empty() && std::isdigit(static_cast<unsigned char>(number[0])))
            << shown.Out;
        if (version.empty())
            version = number;
        EXPECT_EQ(number, version);

        // A mistake names itself and shows the usage, but never on the output
        // a script reads.
        const TOutput wrong = RunCapturing(tree, {program, "--frobnicate"});
        EXPECT_EQ(wrong.Status, 2);
        EXPECT_EQ(wrong.Out, "");
        EXPECT_NE(wrong.Err.find("--frobnicate"), std::string::npos) << wrong.Err;
        EXPECT_NE(wrong.Err.find("usage: " + name), std::string::npos) << wrong.Err;
        EXPECT_LT(LongestLine(wrong.Err).size(), 80u) << LongestLine(wrong.Err);
    }
}

} // namespace
