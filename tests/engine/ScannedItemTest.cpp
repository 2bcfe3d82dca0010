// Removing what a scan saw: after the scan, a folder on the item's way is
// moved aside and a link (or another folder) put in its place. Delete and
// trash must then touch nothing; with the tree as scanned they remove
// exactly the item.
#include "engine/ScannedItem.h"
#include "ScanTestSupport.h"
#include "common/TempTree.h"
#include "engine/Scanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

int CountFiles(const TTempTree& tree, const std::string& folder, int n) {
    int found = 0;
    for (int i = 0; i < n; ++i)
        found += Exists(tree.Path(folder + "/f" + std::to_string(i))) ? 1 : 0;
    return found;
}

TEST(ScannedItem, RemovalNeverFollowsWhatWasSwappedInAfterTheScan) {
    TTempTree temp;
    for (int i = 0; i < 10; ++i) {
        temp.MakeFile("scan/evil/data/f" + std::to_string(i), 10);
        temp.MakeFile("victim/data/f" + std::to_string(i), 10);
    }
    temp.MakeFile("scan/evil/loose.txt", 5);
    TTestHost host;
    TFolderTree tree;
    TScanner scanner(tree, host);
    scanner.ScanClusterSize = 4096;
    TFolderNode* root = tree.AddRoot(temp.Path("scan"));
    scanner.ScanFolder(root->Name, root);
    TFolderNode* evil = Find(root, "evil");
    TFolderNode* data = Find(root, "evil/data");
    ASSERT_TRUE(data && data->Data);
    const Platform::TScannedItem folder = ScannedItemOf(data);
    const Platform::TScannedItem file = ScannedItemOf(evil, "loose.txt");
    EXPECT_EQ(Platform::PathOf(folder), temp.Path("scan/evil/data"));
    EXPECT_EQ(Platform::PathOf(file), temp.Path("scan/evil/loose.txt"));

    // A link on the way, pointing at a folder of the same shape.
    ASSERT_EQ(std::rename(temp.Path("scan/evil").c_str(), temp.Path("scan/moved").c_str()), 0);
    temp.MakeFile("victim/loose.txt", 5);
    temp.MakeSymlink("../victim", "scan/evil");
    for (const auto* item : {&folder, &file}) {
        const Platform::TDeleteResult deleted = Platform::DeleteTree(*item);
        EXPECT_NE(deleted.Refused.find("changed since it was scanned"), std::string::npos)
            << deleted.Refused;
        EXPECT_EQ(deleted.RemovedFiles + deleted.RemovedFolders, 0u);
        const Platform::TTrashResult trashed = Platform::MoveToTrash(*item);
        EXPECT_FALSE(trashed.Ok);
        EXPECT_NE(trashed.Error.find("changed since it was scanned"), std::string::npos);
        EXPECT_NE(Platform::DeleteCheck(*item), "");
    }
    EXPECT_EQ(CountFiles(temp, "victim/data", 10), 10);
    EXPECT_TRUE(Exists(temp.Path("victim/loose.txt")));

    // A real folder of the same name in its place is not the one scanned
    // either; nor is a new folder where the item was.
    temp.Remove("scan/evil");
    temp.MakeFile("scan/evil/data/other", 1);
    EXPECT_NE(Platform::DeleteTree(folder).Refused, "");
    temp.Remove("scan/evil");
    ASSERT_EQ(std::rename(temp.Path("scan/moved").c_str(), temp.Path("scan/evil").c_str()), 0);
    ASSERT_EQ(
        std::rename(temp.Path("scan/evil/data").c_str(), temp.Path("scan/evil/data-was").c_str()),
        0);
    temp.MakeDir("scan/evil/data");
    EXPECT_NE(Platform::DeleteTree(folder).Refused, "");
    EXPECT_TRUE(Exists(temp.Path("scan/evil/data")));
    temp.Remove("scan/evil/data");
    ASSERT_EQ(
        std::rename(temp.Path("scan/evil/data-was").c_str(), temp.Path("scan/evil/data").c_str()),
        0);

    // As scanned again: exactly the item goes.
    const Platform::TDeleteResult done = Platform::DeleteTree(folder);
    EXPECT_TRUE(done.Complete()) << done.Refused;
    EXPECT_EQ(done.RemovedFiles, 10u);
    EXPECT_FALSE(Exists(temp.Path("scan/evil/data")));
    EXPECT_TRUE(Platform::DeleteTree(file).Complete());
    EXPECT_FALSE(Exists(temp.Path("scan/evil/loose.txt")));
    EXPECT_TRUE(Exists(temp.Path("scan/evil")));
    EXPECT_EQ(CountFiles(temp, "victim/data", 10), 10);
}

} // namespace
