// The clean-up work's file-system steps on a real folder: what they promise
// about links, existing entries and whole reads, and that a failure names
// its error and item.
#include "platform/FileAt.h"
#include "common/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string TextOf(int folderFd, const std::string& below) {
    const TResult<Platform::TFd> file = Platform::OpenBelow(folderFd, below);
    if (!file)
        return "unopened";
    const TResult<std::string> text = Platform::ReadRest(file->Get(), 1 << 20);
    return text ? *text : "unread";
}

TEST(FileAt, StepsStayBelowTheirFolderNeverFollowALinkAndNeverReplaceUnasked) {
    TTempTree tree;
    tree.MakeDir("a/b");
    WriteText(tree.Path("a/b/file"), "data");
    tree.MakeSymlink("b", "a/lnk");
    const std::string longTarget(3000, 'x');
    tree.MakeSymlink(longTarget, "a/long");

    const TResult<Platform::TFd> root = Platform::OpenFolderPathFollowing(tree.Root());
    ASSERT_TRUE(root);
    EXPECT_EQ(TextOf(root->Get(), "a/b/file"), "data");
    // A link is no way through, in the middle or at the end.
    const TResult<Platform::TFd> through = Platform::OpenBelow(root->Get(), "a/lnk/file");
    ASSERT_FALSE(through);
    EXPECT_TRUE(through.Failure().Errno == ENOTDIR || through.Failure().Errno == ELOOP);
    EXPECT_EQ(through.Failure().Path, "a/lnk/file");
    EXPECT_FALSE(Platform::OpenBelow(root->Get(), "a/lnk", true));
    const TResult<Platform::TFd> a = Platform::OpenBelow(root->Get(), "a", true);
    ASSERT_TRUE(a);
    EXPECT_FALSE(Platform::OpenFileAt(a->Get(), "lnk"));
    EXPECT_FALSE(Platform::OpenSubfolder(a->Get(), "lnk"));
    const TResult<struct stat> link = Platform::StatAt(a->Get(), "lnk");
    ASSERT_TRUE(link);
    EXPECT_TRUE(S_ISLNK(link->st_mode));

    // Made anew or not at all: not over a file, not through a link.
    const TResult<Platform::TFd> b = Platform::OpenSubfolder(a->Get(), "b");
    ASSERT_TRUE(b);
    const TResult<Platform::TFd> again = Platform::CreateFileAt(b->Get(), "file", 0600);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.Failure().Errno, EEXIST);
    EXPECT_EQ(Platform::CreateFileAt(a->Get(), "lnk", 0600).Failure().Errno, EEXIST);
    const TResult<Platform::TFd> made = Platform::CreateFileAt(b->Get(), "new", 0600);
    ASSERT_TRUE(made);
    ASSERT_TRUE(Platform::WriteAll(made->Get(), "fresh text"));
    ASSERT_TRUE(Platform::WriteAllAt(made->Get(), "F", 1, 0));
    char middle[4] = {};
    const TResult<std::size_t> got = Platform::ReadAt(made->Get(), middle, 4, 6);
    ASSERT_TRUE(got);
    EXPECT_EQ(std::string(middle, *got), "text");
    EXPECT_EQ(*Platform::ReadAt(made->Get(), middle, 4, 100), 0u);
    ASSERT_TRUE(Platform::Sync(made->Get()));

    // Renamed over another only when asked to.
    const TStatus kept = Platform::RenameAt(b->Get(), "new", "file", false);
    ASSERT_FALSE(kept);
    EXPECT_EQ(kept.Failure().Errno, EEXIST);
    EXPECT_EQ(TextOf(root->Get(), "a/b/file"), "data");
    ASSERT_TRUE(Platform::RenameAt(b->Get(), "new", "file", true));
    EXPECT_EQ(TextOf(root->Get(), "a/b/file"), "Fresh text");

    // A link's whole target, whatever size it was said to have.
    const TResult<std::string> target = Platform::ReadLinkAt(a->Get(), "long", 0);
    ASSERT_TRUE(target);
    EXPECT_EQ(*target, longTarget);

    TResult<std::vector<std::string>> names = Platform::NamesIn(a->Get());
    ASSERT_TRUE(names);
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::string>{"b", "lnk", "long"}));
    // Listed again from the start by the same descriptor.
    EXPECT_EQ(Platform::NamesIn(a->Get())->size(), 3u);

    const TStatus full = Platform::RemoveAt(a->Get(), "b", true);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.Failure().Errno, ENOTEMPTY);
    ASSERT_TRUE(Platform::RemoveAt(a->Get(), "lnk"));
    EXPECT_TRUE(Platform::StatPath(tree.Path("a/b/file"), false)); // the link went, not b
    EXPECT_EQ(Platform::RemovePath(tree.Path("a/gone")).Failure().Errno, ENOENT);
}

} // namespace
