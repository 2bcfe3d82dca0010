// The comparison with an earlier scan and the unreadable folders' list in the
// real window, on folders of the test's own drive: the earlier scan is the
// engine's scan of the folder before the test changed it.
#include "WindowTest.h"
#include "engine/FolderLister.h"
#include "engine/Scanner.h"
#include "models/SubfolderList.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/PiePage.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/UnreadableFoldersBox.h"
#include "ui/main/WhatGrewBox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

namespace {

// A copy of a scanned tree that belongs to no TFolderTree, as a scan file's
// loader gives it.
std::unique_ptr<TFolderNode> Detached(const TFolderNode& node) {
    auto copy = std::make_unique<TFolderNode>();
    copy->Name = node.Name;
    copy->Flags = node.Flags;
    if (node.Data)
        copy->Data = std::make_unique<TFolderSize>(*node.Data);
    for (const auto& child : node.Children) {
        copy->Children.push_back(Detached(*child));
        copy->Children.back()->Parent = copy.get();
    }
    copy->RenumberChildren();
    return copy;
}

// The disk, except that one folder name cannot be opened.
class TDenyingLister final : public TFolderLister {
public:
    explicit TDenyingLister(std::string name) : Denied(std::move(name)) {}
    int OpenTop(const std::string& path, int& error) override { return Disk.OpenTop(path, error); }
    int OpenSub(int parent, const char* name, int& error, bool& otherMount) override {
        if (name == Denied) {
            otherMount = false;
            error = EACCES;
            return -1;
        }
        return Disk.OpenSub(parent, name, error, otherMount);
    }
    void Close(int handle) override { Disk.Close(handle); }
    bool Identity(int handle, std::uint64_t& device, std::uint64_t& inode) override {
        return Disk.Identity(handle, device, inode);
    }
    std::uint64_t ListingMount(int handle) override { return Disk.ListingMount(handle); }
    bool List(int handle, std::uint64_t mountId, Platform::TListSink& sink,
              const std::atomic<bool>& abort, std::vector<char>& buffer, bool& aborted,
              int& error) override {
        return Disk.List(handle, mountId, sink, abort, buffer, aborted, error);
    }

private:
    TDiskLister Disk;
    std::string Denied;
};

// Runs `command`; `inside` acts on the dialog of type T once it is up.
// Whatever comes up, it is closed at the end, so no test can hang on it.
template <class T> void WithDialog(QAction* command, const std::function<void(T&)>& inside) {
    bool seen = false;
    QTimer::singleShot(0, command, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<T*>(modal)) {
            seen = true;
            inside(*box);
        }
        if (modal && modal->isVisible())
            modal->close();
    });
    command->trigger();
    EXPECT_TRUE(seen);
}

class CompareCommandsTest : public TWindowTest {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        MakeDrive();
    }
    void TearDown() override {
        TWindowTest::TearDown();
        QLocale::setDefault(QLocale::c());
    }

    QStringList Column(int column) {
        const TSubfolderListModel& list = Part<TSubfoldersPage>().List();
        QStringList texts;
        for (int r = 0; r < list.RowCount(); ++r)
            texts << list.Text(r, column);
        return texts;
    }
};

TEST_F(CompareCommandsTest, TheEarlierScanShowsWhatChangedUntilTheFolderIsRescanned) {
    Temp.MakeFile("drive/proj/a/f", 10240);
    Temp.MakeFile("drive/proj/b/f", 20480);
    Temp.MakeFile("drive/proj/c/f", 30720);
    Temp.MakeFile("drive/proj/keep/deep/x", 4096);
    // The earlier scan, made of the folder as it was.
    TFolderTree earlierTree;
    TScanHost host;
    TScanner scanner(earlierTree, host);
    TFolderNode* scanned = earlierTree.AddRoot(Temp.Path("drive/proj"));
    ASSERT_TRUE(scanner.ScanFolder(scanned->Name, scanned));
    auto earlier = Detached(*scanned);
    // Exported elsewhere: only the paths below the folder have to match.
    earlier->Name = "/srv/backup/proj";

    // a grows by a new subfolder, n is new, c is gone.
    Temp.MakeFile("drive/proj/a/sub/big", 81920);
    Temp.MakeFile("drive/proj/n/f", 51200);
    Temp.Remove("drive/proj/c");
    MakeForm();
    Form->Session().ScanOrRescanDrive(Root);
    Select("proj");
    TScanFileInfo info;
    info.Program = "ncdu";
    info.SourceFile = "/tmp/proj.json";
    info.RootPath = earlier->Name;
    Part<TCompareCommands>().SetEarlierScanLoader(
        [&] { Form->StartComparison(std::move(earlier), info); });
    Form->ShowPage(PageSubfolders);
    Action("cmdViewCompareWithScanFile")->trigger();
    ASSERT_TRUE(Form->Comparison());
    EXPECT_EQ(&Form->Comparison()->Base(), Node("proj"));

    // The subfolder list: the three columns, after Size on the screen.
    TSubfolderListModel& list = Part<TSubfoldersPage>().List();
    ASSERT_EQ(list.columnCount(), ComparisonColumnCount);
    EXPECT_EQ(Part<TSubfoldersPage>().TheFilesList->horizontalHeader()->visualIndex(ColThen), 2);
    list.Sort(ColName + 1);
    EXPECT_EQ(Column(ColName), (QStringList{"a", "b", "c", "keep", "n"}));
    EXPECT_EQ(Column(ColThen), (QStringList{"10 KB", "20 KB", "30 KB", "4 KB", "new"}));
    EXPECT_EQ(Column(ColChange), (QStringList{"+80 KB", "0 KB", "-30 KB", "0 KB", "+50 KB"}));
    EXPECT_EQ(Column(ColChangePercent),
              (QStringList{"+800.00 %", "0.00 %", "gone", "0.00 %", "new"}));
    EXPECT_EQ(list.Text(2, ColSize), QString()) << "a folder gone has no size now";
    EXPECT_EQ(list.data(list.index(2, ColName), Qt::ForegroundRole).value<QColor>(),
              QColor(Qt::gray));
    list.ColumnClick(ColChange);
    list.ColumnClick(ColChange);
    EXPECT_EQ(Column(ColName).front(), QStringLiteral("a")) << "largest change first";
    EXPECT_EQ(Column(ColName).back(), QStringLiteral("c"));
    // Only "All Folders" lists what is gone: the others weigh sizes now.
    Part<TSubfoldersPage>().cbFoldersDisplayType->setCurrentIndex(DisplayTopLarge);
    EXPECT_FALSE(Column(ColName).contains(QStringLiteral("c")));
    Part<TSubfoldersPage>().cbFoldersDisplayType->setCurrentIndex(DisplayAll);
    EXPECT_EQ(Part<TSubfoldersPage>().TheFilesList->horizontalHeader()->visualIndex(ColThen), 2)
        << "the place stays through fills";
    // The list's report carries the columns in the order the page shows them.
    QStringList shown;
    const QHeaderView* header = Part<TSubfoldersPage>().TheFilesList->horizontalHeader();
    for (int place = 0; place < header->count(); ++place)
        shown << list.Caption(header->logicalIndex(place));
    ASSERT_TRUE(Part<TReportCommands>().SaveSubfolderList(Temp.Path("list.csv"), 0));
    QFile csv(QString::fromStdString(Temp.Path("list.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    // No caption holds a comma or a quote: only the quoting goes.
    EXPECT_EQ(QString::fromUtf8(csv.readLine()).trimmed().remove(QLatin1Char('"')),
              shown.join(QLatin1Char(',')));

    // The folder's own change, on the information page and in the pie's header.
    Form->ShowPage(PageFolderInfo);
    const QString change = Part<TFolderInfoPage>().txtWebFolderInfoChange->text();
    EXPECT_TRUE(change.startsWith(QStringLiteral("Since the earlier scan: +100 KB")))
        << change.toStdString();
    EXPECT_TRUE(Part<TFolderInfoPage>().txtWebFolderInfoIncomplete->isHidden());
    EXPECT_EQ(Part<TFolderInfoPage>().Content().Change, change);
    Form->ShowPage(PagePie);
    EXPECT_EQ(Part<TPiePage>().txtWebFolderChange->text(), QStringLiteral("+100 KB"));

    // What grew: a's growth is all its new subfolder's, so that is listed.
    WithDialog<TWhatGrewBox>(Action("cmdViewWhatGrew"), [&](TWhatGrewBox& box) {
        ASSERT_EQ(box.GrowthList->rowCount(), 3);
        EXPECT_EQ(box.GrowthList->item(0, 0)->text().toStdString(), Root + "/proj");
        EXPECT_EQ(box.GrowthList->item(1, 0)->text().toStdString(), Root + "/proj/a/sub");
        EXPECT_EQ(box.GrowthList->item(1, 1)->text(), QStringLiteral("new"));
        EXPECT_EQ(box.GrowthList->item(2, 0)->text().toStdString(), Root + "/proj/n");
        EXPECT_EQ(box.GrowthList->item(2, 3)->text(), QStringLiteral("+50 KB"));
        box.GrowthList->setCurrentCell(1, 0);
        emit box.GrowthList->cellDoubleClicked(1, 0);
    });
    EXPECT_EQ(Form->CurrentPath(), Root + "/proj/a/sub");
    ASSERT_TRUE(Form->Comparison()) << "moving about keeps the comparison";
    Form->ShowPage(PageFolderInfo);
    EXPECT_EQ(Part<TFolderInfoPage>().txtWebFolderInfoChange->text(),
              QStringLiteral("New since the earlier scan"));

    // A rescan below the folder keeps it; one of the folder itself ends it.
    Action("cmdFileRescanCurrentDirectory")->trigger();
    EXPECT_TRUE(Form->Comparison());
    Select("proj");
    Action("cmdFileRescanCurrentDirectory")->trigger();
    EXPECT_FALSE(Form->Comparison());
    Form->ShowPage(PageSubfolders);
    EXPECT_EQ(list.columnCount(), SubfolderColumnCount);
    EXPECT_FALSE(Action("cmdViewWhatGrew")->isEnabled());

    // Ended by the command, and by a rescan of the drive above.
    for (QAction* ending : {Action("cmdViewEndComparison"), Action("cmdFileRescanCurrentDrive")}) {
        Select("proj");
        ASSERT_TRUE(Form->StartComparison(Detached(*scanned), info));
        EXPECT_TRUE(Action("cmdViewEndComparison")->isEnabled());
        ending->trigger();
        EXPECT_FALSE(Form->Comparison()) << ending->objectName().toStdString();
    }
    Select("proj");
    Form->ShowPage(PagePie);
    EXPECT_TRUE(Part<TPiePage>().txtWebFolderChange->isHidden());
}

TEST_F(CompareCommandsTest, UnreadableFoldersAreListedSavedAndNamedOnThePages) {
    Temp.MakeFile("drive/open/f", 1000);
    Temp.MakeFile("drive/deep/locked/secret", 5000);
    Temp.MakeFile("drive/deep/fine/f", 2000);
    MakeForm();
    Form->Session().Scanner().SetLister(std::make_shared<TDenyingLister>("locked"));
    Form->Session().ScanOrRescanDrive(Root);
    ASSERT_TRUE(Node("deep/locked") && Node("deep/locked")->Has(NodeReadError));

    // The pages and the report of a folder above it say its figures fall short.
    Select("deep");
    Form->ShowPage(PageFolderInfo);
    const QLabel* note = Part<TFolderInfoPage>().txtWebFolderInfoIncomplete;
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().contains(QStringLiteral("could not be read")))
        << note->text().toStdString();
    ASSERT_TRUE(Part<TReportCommands>().SaveFolderReport(Temp.Path("report.txt")));
    QFile report(QString::fromStdString(Temp.Path("report.txt")));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains(note->text().toUtf8()));
    Select("deep/locked");
    Form->ShowPage(PageFolderInfo);
    EXPECT_TRUE(note->text().contains(QString::fromLocal8Bit(std::strerror(EACCES))));
    Select("open");
    Form->ShowPage(PageFolderInfo);
    EXPECT_TRUE(note->isHidden());

    // The list: the one folder, its reason and what was read; CSV; a double
    // click selects it.
    WithDialog<TUnreadableFoldersBox>(
        Action("cmdViewUnreadableFolders"), [&](TUnreadableFoldersBox& box) {
            ASSERT_EQ(box.ErrorList->rowCount(), 1);
            EXPECT_EQ(box.ErrorList->item(0, 0)->text().toStdString(), Root + "/deep/locked");
            EXPECT_EQ(box.ErrorList->item(0, 1)->text(),
                      QString::fromLocal8Bit(std::strerror(EACCES)));
            EXPECT_EQ(box.ErrorList->item(0, 2)->text(), QStringLiteral("0 bytes"));
            EXPECT_TRUE(box.SaveCsv(Temp.Path("errors.csv")));
            box.ErrorList->setCurrentCell(0, 0);
            emit box.ErrorList->cellDoubleClicked(0, 0);
        });
    EXPECT_EQ(Form->CurrentPath(), Root + "/deep/locked");
    QFile csv(QString::fromStdString(Temp.Path("errors.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].trimmed(), QByteArray("Folder,Reason,\"Size so far (bytes)\""));
    EXPECT_EQ(lines[1].trimmed().toStdString(),
              Root + "/deep/locked,\"" + std::strerror(EACCES) + "\",0");
}

} // namespace
