// What the desktop's dialogs learn about one item: links are examined, not
// followed, a FIFO never holds the caller up, and a user's file written
// whole carries exactly the permissions asked for.
#include "platform/ItemFacts.h"
#include "common/TempTree.h"
#include "platform/UserFiles.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ItemFacts, LinksAreExaminedAndFifosDoNotWait) {
    TTempTree tree;
    tree.MakeFile("folder/a", 1);
    tree.MakeFile("folder/b", 1);
    const std::string target = "folder-caf\xe9";
    tree.MakeSymlink("folder", target); // the name itself is not UTF-8
    tree.MakeSymlink(target, "link");

    const Platform::TItemAt link(tree.Path("link"));
    const TResult<Platform::TItemFacts> facts = link.Facts();
    ASSERT_TRUE(facts.Ok());
    EXPECT_TRUE(S_ISLNK(facts->Mode));
    const TResult<std::string> said = link.LinkTarget(0);
    ASSERT_TRUE(said.Ok());
    EXPECT_EQ(*said, target);
    // Counting goes no further than the link, though it leads to a folder.
    EXPECT_FALSE(link.EntryCount().Ok());
    EXPECT_TRUE(Platform::LeadsToFolder(tree.Path("link")));
    const TResult<std::uint64_t> count = Platform::TItemAt(tree.Path("folder")).EntryCount();
    ASSERT_TRUE(count.Ok());
    EXPECT_EQ(*count, 2u);

    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(Platform::TItemAt(tree.Path("fifo")).Head(512), "");
}

TEST(ItemFacts, AWholeFileGetsExactlyItsModeWhateverTheUmask) {
    TTempTree tree;
    tree.MakeFile("script", 100);
    chmod(tree.Path("script").c_str(), 0600);
    const mode_t saved = umask(077);
    const TStatus written = Platform::WriteWholeFile(tree.Path("script"), "#!/bin/sh\n", 0755);
    umask(saved);
    ASSERT_TRUE(written.Ok()) << written.Failure().Describe();
    EXPECT_EQ(Contents(tree.Path("script")), "#!/bin/sh\n");
    struct stat st {};
    ASSERT_EQ(lstat(tree.Path("script").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);

    const TStatus refused = Platform::WriteWholeFile(tree.Path("none/file"), "x", 0644);
    ASSERT_FALSE(refused.Ok());
    EXPECT_EQ(refused.Failure().Errno, ENOENT);
}

} // namespace
