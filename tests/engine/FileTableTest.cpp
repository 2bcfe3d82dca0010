// The files a scan keeps, on a real folder: what each entry holds, the
// queries over a whole tree, and how rescans and removals keep them true.
#include "ScanTestSupport.h"
#include "common/TempTree.h"
#include "engine/FileQueries.h"
#include "engine/Scanner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <thread>

namespace {

class FileTableTest : public ::testing::Test {
protected:
    void SetUp() override { Scanner.ScanClusterSize = 4096; }

    TFolderNode* Scan() {
        TFolderNode* root = Tree.AddRoot(Temp.Root());
        Scanner.ScanFolder(root->Name, root);
        return root;
    }

    // name -> index in the folder's list
    static std::map<std::string, std::uint32_t> NamesOf(const TFolderNode* folder) {
        std::map<std::string, std::uint32_t> names;
        for (std::uint32_t i = 0; i < folder->Files.Count(); ++i)
            names[std::string(folder->Files->Name(i))] = i;
        return names;
    }

    TTempTree Temp;
    TTestHost Host;
    TFolderTree Tree;
    TScanner Scanner{Tree, Host};
};

TEST_F(FileTableTest, EveryFileIsKeptWithItsFactsAndQueriesAgreeWithTheRecords) {
    const std::string odd = "bad\xff\xfe.JPG";
    const std::string longName = std::string(251, 'n') + ".Txt"; // 255 bytes
    Temp.MakeFile(odd, 5000);
    Temp.MakeFile(longName, 10);
    Temp.MakeFile(".bashrc", 3);
    Temp.MakeFile("noext", 0);
    Temp.MakeFile("sub/archive.tar.GZ", 1 << 20);
    Temp.MakeFile("sub/deeper/photo.jpg", 70000);
    Temp.SetTimes("sub/deeper/photo.jpg", 1600000000, 1500000000);
    Temp.MakeHardLink("sub/deeper/photo.jpg", "sub/photo-again.jpg");
    Temp.MakeSymlink("noext", "link.to");
    ASSERT_EQ(mkfifo(Temp.Path("sub/pipe").c_str(), 0600), 0);
    Temp.MakeDir("empty");
    {
        // Written, not sparse: it takes blocks on the drive.
        const int fd = open(Temp.Path("sub/written.dat").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string bytes(10000, 'x');
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), 10000);
        close(fd);
    }

    TFolderNode* root = Scan();
    ASSERT_TRUE(root->Data);
    EXPECT_EQ(CheckSums(root), "");

    // Every file of the tree, and nothing else, is kept in its own folder.
    const std::vector<TFolderFiles> lists = GatherFiles(root);
    std::uint64_t kept = 0;
    std::int64_t keptSize = 0;
    for (const TFolderFiles& folder : lists) {
        ASSERT_TRUE(folder.Folder->Data);
        EXPECT_EQ(folder.Files.Count(), folder.Folder->Data->OwnFileCount);
        for (const TFileEntry& file : *folder.Files)
            keptSize += file.Size();
        kept += folder.Files.Count();
    }
    EXPECT_EQ(kept, root->Data->TreeFileCount);
    EXPECT_EQ(keptSize, root->Data->TreeSize);
    EXPECT_FALSE(Find(root, "empty")->Files);

    const auto top = NamesOf(root);
    ASSERT_EQ(top.size(), 5u);
    const TFileList& own = *root->Files;
    const TFileEntry& bad = own.Entry(top.at(odd));
    EXPECT_EQ(bad.Size(), 5000);
    EXPECT_EQ(FileExtensionName(bad.Extension()), "jpg");
    EXPECT_EQ(bad.Kind(), TFileKind::Regular);
    EXPECT_GE(bad.Allocated(), 0);
    EXPECT_EQ(FileExtensionName(own.Entry(top.at(longName)).Extension()), "txt");
    EXPECT_EQ(own.Entry(top.at(".bashrc")).Extension(), 0); // a hidden name, not an extension
    EXPECT_EQ(own.Entry(top.at("noext")).Extension(), 0);
    EXPECT_EQ(own.Entry(top.at("link.to")).Kind(), TFileKind::Link);

    TFolderNode* sub = Find(root, "sub");
    const auto inSub = NamesOf(sub);
    EXPECT_EQ(sub->Files->Entry(inSub.at("pipe")).Kind(), TFileKind::Other);
    EXPECT_EQ(FileExtensionName(sub->Files->Entry(inSub.at("archive.tar.GZ")).Extension()), "gz");
    const TFileEntry& again = sub->Files->Entry(inSub.at("photo-again.jpg"));
    EXPECT_TRUE(again.HardLinked());
    EXPECT_EQ(again.WriteSeconds(), 1500000000);
    EXPECT_EQ(again.Allocated(), 0); // made sparse
    EXPECT_GE(sub->Files->Entry(inSub.at("written.dat")).Allocated(), 10000);
    EXPECT_FALSE(sub->Files->Entry(inSub.at("archive.tar.GZ")).HardLinked());

    // Largest first, ties by allocation then order met; the filter sees names.
    const std::vector<TFileAt> largest = LargestFiles(lists, 3);
    ASSERT_EQ(largest.size(), 3u);
    const auto nameAt = [&](const TFileAt& at) {
        return std::string(lists[at.Folder].Files->Name(at.Index));
    };
    EXPECT_EQ(nameAt(largest[0]), "archive.tar.GZ");
    EXPECT_EQ(lists[largest[1].Folder].Files->Entry(largest[1].Index).Size(), 70000);
    EXPECT_EQ(lists[largest[2].Folder].Files->Entry(largest[2].Index).Size(), 70000);
    const std::vector<TFileAt> jpgs =
        LargestFiles(lists, 100, [](const TFileList& files, std::uint32_t i) {
            return FileExtensionName(files.Entry(i).Extension()) == "jpg";
        });
    EXPECT_EQ(jpgs.size(), 3u);
    EXPECT_EQ(nameAt(jpgs.back()), odd);
    EXPECT_EQ(LargestFiles(lists, 1000).size(), kept);

    // Per extension, on another thread (the lists stay alive without the tree).
    std::vector<TFileTypeFigures> types;
    std::thread worker([&] { types = FileTypeFigures(lists, 4096); });
    worker.join();
    std::map<std::string, TFileTypeFigures> byName;
    std::int64_t wasted = 0;
    for (const TFileTypeFigures& row : types) {
        byName[std::string(FileExtensionName(row.Extension))] = row;
        wasted += row.Wasted;
    }
    EXPECT_EQ(byName["jpg"].Files, 3u);
    EXPECT_EQ(byName["jpg"].Size, 145000);
    EXPECT_EQ(byName[""].Files, 3u); // .bashrc, noext, pipe
    EXPECT_EQ(byName["dat"].Allocated, sub->Files->Entry(inSub.at("written.dat")).Allocated());
    EXPECT_EQ(wasted, root->Data->TreeWasted);
    EXPECT_EQ(types.front().Extension, InternExtension("gz"));

    // A file removed through the tree leaves its list; the old list held by
    // a query stays as it was.
    const TFileListRef before = sub->Files;
    RemoveKeptFile(sub, "photo-again.jpg");
    EXPECT_EQ(sub->Files.Count(), before.Count() - 1);
    EXPECT_EQ(NamesOf(sub).count("photo-again.jpg"), 0u);
    EXPECT_EQ(before->Find("photo-again.jpg") < before.Count(), true);

    // A rescan reads the folder's files again.
    Temp.MakeFile("sub/new.PNG", 12);
    Temp.Remove("sub/archive.tar.GZ");
    Scanner.RescanFolder(NodePath(sub), sub);
    const auto rescanned = NamesOf(Find(root, "sub"));
    EXPECT_EQ(rescanned.count("new.PNG"), 1u);
    EXPECT_EQ(rescanned.count("archive.tar.GZ"), 0u);
    EXPECT_EQ(rescanned.count("photo-again.jpg"), 1u);
    EXPECT_EQ(CheckSums(root), "");
}

TEST_F(FileTableTest, ADriveScannedWithoutFilesKeepsSumsOnlyAndItsRescansFollowIt) {
    Temp.MakeFile("a/one.txt", 100);
    Temp.MakeFile("two.bin", 200);
    Scanner.SetKeepFiles(false);
    TDriveRecInfo* drive = Tree.CreateDriveRec(Temp.Root());
    Scanner.ScanDrive(Temp.Root(), *drive);
    TFolderNode* root = drive->RootNode;
    ASSERT_TRUE(root && root->Data);
    EXPECT_EQ(root->Data->TreeSize, 300);
    EXPECT_FALSE(FilesKeptFor(Find(root, "a")));
    EXPECT_TRUE(GatherFiles(root).empty());
    // Turning the setting on later does not change a drive already scanned.
    Scanner.SetKeepFiles(true);
    Scanner.RescanFolder(NodePath(Find(root, "a")), Find(root, "a"));
    EXPECT_FALSE(Find(root, "a")->Files);
    EXPECT_EQ(root->Data->TreeSize, 300);
}

} // namespace
