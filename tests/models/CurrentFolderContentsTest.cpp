// The current folder's page contents as data: a session over plain folders,
// moved about as a user would, and what the pages and reports would get at
// each step.
#include "models/CurrentFolderContents.h"

#include "common/TempTree.h"
#include "engine/Paths.h"
#include "snapshot/Comparison.h"
#include "snapshot/ScanExport.h"
#include "snapshot/ScanImport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

class TQuietView final : public TSessionView {
public:
    bool RetryDrive(const std::string&) override { return false; }
    void Inform(const QString&) override {}
    void ScanStateChanged(bool) override {}
    void ScanReached(const std::string&) override {}
    void CurrentChanged(bool) override {}
    void ProcessEvents() override {}
};

bool HasItem(const TPieContent& pie, const std::string& path) {
    return std::any_of(pie.Items.begin() + 1, pie.Items.end(),
                       [&](const TPieItem& item) { return item.Path == path; });
}

TEST(CurrentFolderContents, FollowTheSessionTheComparisonAndTheDisk) {
    TTempTree temp;
    temp.MakeFile("drive/a/x.bin", 100000);
    temp.MakeFile("drive/a/deep/y.bin", 10);
    temp.MakeFile("drive/b.bin", 3);
    const std::string drive = temp.Path("drive");
    TQuietView view;
    TScanSession session(view);
    session.SetDriveResolver([&](const std::string&) { return drive; });
    std::unique_ptr<TScanComparison> comparison;
    const TCurrentFolderContents contents(session, [&] { return comparison.get(); });

    // Nothing scanned: nothing to show, and asking is a programming error.
    EXPECT_FALSE(contents.Ready());
    EXPECT_THROW(contents.Info(), std::logic_error);

    TExportProgress exported;
    const TStatus written = ExportFolder(drive, temp.Path("then.json"), exported);
    ASSERT_TRUE(written) << written.Failure().Describe();
    session.ScanOrRescanDrive(drive);
    ASSERT_TRUE(contents.Ready());
    EXPECT_TRUE(contents.Info().IsDriveRoot);
    EXPECT_TRUE(contents.Wasted().IsDriveRoot);

    ASSERT_TRUE(session.SelectPath(drive + "/a"));
    const TFolderInfoContent info = contents.Info();
    EXPECT_FALSE(info.IsDriveRoot);
    EXPECT_TRUE(info.Change.isEmpty()) << "nothing is compared yet";
    EXPECT_TRUE(info.Incomplete.isEmpty());
    EXPECT_FALSE(contents.Wasted().IsDriveRoot);
    TPieOptions options;
    options.ShowFiles = true;
    const TPieContent pie = contents.Pie(options);
    EXPECT_TRUE(HasItem(pie, drive + "/a/x.bin"));
    EXPECT_TRUE(HasItem(pie, drive + "/a/deep"));
    EXPECT_EQ(pie.Items.front().Node, session.Current());

    // Another what-if cluster size changes the wasted figures, not the sizes.
    session.SetWhatIfIndex(7);
    const TFolderInfoContent at64k = contents.Info();
    EXPECT_EQ(at64k.Tree.Size.Text, info.Tree.Size.Text);
    EXPECT_NE(at64k.Tree.Wasted.Text, info.Tree.Wasted.Text);
    session.SetWhatIfIndex(0);

    // Compared with the scan from before "a" grew, the information says so.
    temp.MakeFile("drive/a/grown.bin", 50000);
    session.RescanCurrentFolder();
    TLoadProgress loading;
    TResult<TLoadedScan> loaded = LoadScanFile(temp.Path("then.json"), 4096, loading);
    ASSERT_TRUE(loaded) << loaded.Failure().Describe();
    TLoadedScan& earlier = *loaded;
    TFolderNode* a = session.Current();
    ASSERT_EQ(NodePath(a), drive + "/a");
    comparison =
        std::make_unique<TScanComparison>(*a->Parent, std::move(earlier.Root), earlier.Info);
    EXPECT_FALSE(contents.Info().Change.isEmpty());
    comparison.reset();
    EXPECT_TRUE(contents.Info().Change.isEmpty());

    // An opened scan's folder is shown from the file alone: its files are
    // those the file lists, each a section of its own as for a scanned
    // folder, and not looked for on this disk, where they may have changed or
    // gone.
    temp.Remove("drive/a/x.bin");
    TResult<TLoadedScan> reloaded = LoadScanFile(temp.Path("then.json"), 4096, loading);
    ASSERT_TRUE(reloaded) << reloaded.Failure().Describe();
    TLoadedScan& opened = *reloaded;
    TFolderNode* root = session.AddOpenedScan(std::move(opened.Root), temp.Path("then.json"),
                                              QStringLiteral("then"), 4096);
    ASSERT_TRUE(root);
    ASSERT_TRUE(session.Select(FindNodeByPath(root, "a", true)));
    ASSERT_TRUE(contents.Ready());
    const TPieContent openedPie = contents.Pie(options);
    const std::string openedA = NodePath(session.Current());
    EXPECT_FALSE(HasItem(openedPie, openedA + "/grown.bin"));
    EXPECT_TRUE(openedPie.FilesListed);
    const auto file =
        std::find_if(openedPie.Items.begin(), openedPie.Items.end(),
                     [](const TPieItem& item) { return item.Name == QStringLiteral("x.bin"); });
    ASSERT_NE(file, openedPie.Items.end());
    EXPECT_EQ(file->Kind, TPieItemKind::File);
    EXPECT_EQ(file->Size, 100000);
    EXPECT_EQ(file->Path, openedA + "/x.bin");
    EXPECT_TRUE(HasItem(openedPie, openedA + "/deep"));
    EXPECT_TRUE(
        std::none_of(openedPie.Items.begin(), openedPie.Items.end(),
                     [](const TPieItem& item) { return item.Name == PieFilesInThisFolder(); }));
}

} // namespace
