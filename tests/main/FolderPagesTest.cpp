// The "Folder Info", "Wasted Space" and "Subfolders" pages of the real window,
// on a tmpfs drive of the test's own with files of known sizes.
#include "ModalCloser.h"
#include "WindowTest.h"
#include "common/TempTree.h"
#include "models/FolderInfoContent.h"
#include "models/FolderTreeModel.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "shell/HelpWindow.h"
#include "shell/ItemProperties.h"
#include "shell/MessageBox.h"
#include "shell/SensitivePanel.h"
#include "ui/charts/SimplePieGauge.h"
#include "ui/main/CleanUpPage.h"
#include "ui/main/FolderInfoLabels.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/MainForm.h"
#include "ui/main/SubfoldersPage.h"
#include "ui/main/WastedPage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <sys/mount.h>
#include <sys/stat.h>

static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// The slack of a file of `size` bytes in clusters of `cluster` bytes.
std::int64_t Slack(std::int64_t size, std::int64_t cluster) {
    return (cluster - size % cluster) % cluster;
}

QString Bytes(std::int64_t n) {
    return QLocale().toString(static_cast<qlonglong>(n)) + QStringLiteral(" bytes");
}

class FolderPagesTest : public TWindowTest {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        MakeDrive();
        Temp.MakeFile("drive/A/f1", 5000);
        Temp.MakeFile("drive/A/.hid", 10);
        Temp.MakeFile("drive/B/big", 1048576);
        Temp.MakeFile("drive/C/x", 1048575);
        Temp.MakeDir("drive/D");
        // One read-only file deep down, empty so no figure changes.
        Temp.MakeFile("drive/C/deep/ro", 0);
        chmod(Temp.Path("drive/C/deep/ro").c_str(), 0444);
        MakeForm();
        Form->Settings().IncludeWastedInformation.Value = true;
        Form->Session().ScanOrRescanDrive(Root);
    }

    void TearDown() override {
        TWindowTest::TearDown();
        QLocale::setDefault(Previous);
    }

    void Select(const std::string& relative) {
        TWindowTest::Select(relative);
        ASSERT_EQ(Form->CurrentNode(), Node(relative));
    }

    void WhatIf(int index) {
        Widget<QComboBox>("ClustersBox")->setCurrentIndex(index);
        emit Widget<QComboBox>("ClustersBox")->activated(index);
    }

    QStringList ListNames() {
        TSubfolderListModel& list = Part<TSubfoldersPage>().List();
        QStringList names;
        for (int r = 0; r < list.RowCount(); ++r)
            names << list.Text(r, ColName);
        return names;
    }

    int RowOf(const QString& name) { return static_cast<int>(ListNames().indexOf(name)); }

    QLocale Previous;
};

// ---- folder information -----------------------------------------------------------

TEST_F(FolderPagesTest, FolderInfoShowsFiguresAndGridRows) {
    Select("A");
    Form->ShowPage(PageFolderInfo);
    TFolderInfoPage& page = Part<TFolderInfoPage>();
    const std::int64_t wasted = Slack(5000, 4096) + Slack(10, 4096);
    ASSERT_EQ(Form->CurrentClusterSize(), 4096);
    EXPECT_EQ(page.txtWebTreeInfoSize->text(), QStringLiteral("5 KB"));
    EXPECT_EQ(page.txtWebTreeInfoSize->toolTip(), QStringLiteral("5,010 bytes"));
    EXPECT_EQ(page.txtWebTreeInfoAllocated->text(), QStringLiteral("12 KB"));
    EXPECT_EQ(page.txtWebTreeInfoAllocated->toolTip(), Bytes(5010 + wasted));
    EXPECT_EQ(page.txtWebTreeInfoWasted->toolTip(), Bytes(wasted));
    EXPECT_EQ(page.txtWebTreeInfoObjects->text(), QStringLiteral("2"));
    EXPECT_EQ(page.txtWebTreeInfoObjects->toolTip(),
              QStringLiteral("2 file(s) and 0 subfolder(s)"));
    EXPECT_EQ(page.txtWebFolderInfoSize->toolTip(), QStringLiteral("5,010 bytes"));
    EXPECT_EQ(page.txtWebFolderInfoWasted->toolTip(), Bytes(wasted));

    QTableWidget& grid = *page.gridFolderInfo;
    ASSERT_EQ(grid.rowCount(), 11);
    ASSERT_EQ(grid.columnCount(), 2);
    EXPECT_EQ(grid.item(0, 0)->text(), QStringLiteral("Long name"));
    EXPECT_EQ(grid.item(0, 1)->text(), QStringLiteral("A"));
    EXPECT_EQ(grid.item(1, 1)->text(), QStringLiteral("A"));
    EXPECT_NE(grid.item(2, 1)->text(), QStringLiteral("(unknown)"));
    EXPECT_NE(grid.item(3, 1)->text(), QStringLiteral("(unknown)"));
    EXPECT_EQ(grid.item(5, 1)->text(), QStringLiteral("Directory"));
    EXPECT_EQ(grid.item(6, 0)->text(), QString());
    EXPECT_EQ(grid.item(7, 1)->text(), QStringLiteral("No Read-Only files"));
    EXPECT_EQ(grid.item(8, 1)->text(), QStringLiteral("The folder contains Hidden files"));
    EXPECT_EQ(grid.item(9, 1)->text(), QStringLiteral("No System files"));
    EXPECT_EQ(page.txtWebFolderInfoType->text(), FolderTypeName());
    EXPECT_EQ(page.txtWebFolderInfoPath->FullText(), QString::fromStdString(Root + "/A"));

    // The 64 K what-if size reaches the figures at once.
    WhatIf(7);
    const std::int64_t wasted64 = Slack(5000, 65536) + Slack(10, 65536);
    EXPECT_EQ(page.txtWebTreeInfoAllocated->text(), QStringLiteral("128 KB"));
    EXPECT_EQ(page.txtWebTreeInfoWasted->toolTip(), Bytes(wasted64));
    EXPECT_EQ(page.txtWebTreeInfoSize->toolTip(), QStringLiteral("5,010 bytes"));
}

TEST_F(FolderPagesTest, FolderInfoOfTheDriveRoot) {
    Select("");
    Form->ShowPage(PageFolderInfo);
    TFolderInfoPage& page = Part<TFolderInfoPage>();
    EXPECT_EQ(page.txtWebFolderInfoType->text(), QStringLiteral("Root Folder of Drive"));
    const QString name = TFolderTreeModel::NodeText(Node(""));
    EXPECT_EQ(page.txtWebFolderInfoPath->FullText(), name);
    EXPECT_EQ(page.gridFolderInfo->item(0, 1)->text(), name);
    EXPECT_EQ(page.gridFolderInfo->item(1, 1)->text(), QString());
    EXPECT_EQ(page.gridFolderInfo->item(4, 1)->text(), QStringLiteral("(unknown)"));
    EXPECT_EQ(page.gridFolderInfo->item(5, 1)->text(), QString());
    EXPECT_EQ(page.txtWebTreeInfoObjects->toolTip(),
              QStringLiteral("5 file(s) and 5 subfolder(s)"));
    EXPECT_EQ(page.gridFolderInfo->item(7, 1)->text(),
              QStringLiteral("The folder contains Read-Only files"));
}

TEST_F(FolderPagesTest, HeaderIconOpensTheFoldersProperties) {
    Select("A");
    Form->ShowPage(PageFolderInfo);
    QString location;
    QString size;
    QTimer::singleShot(50, Form.get(), [&] {
        if (auto* box = qobject_cast<TItemPropertiesBox*>(QApplication::activeModalWidget())) {
            location = box->RowText(QStringLiteral("Location:"));
            size = box->RowText(QStringLiteral("Size:"));
            box->close();
        }
    });
    QTest::mouseClick(Part<TFolderInfoPage>().imgWebFolderInfo, Qt::LeftButton);
    EXPECT_EQ(location, QString::fromStdString(Root));
    EXPECT_NE(size.indexOf(QStringLiteral("5,010 bytes")), -1) << size.toStdString();
}

TEST_F(FolderPagesTest, TreeBarChartImageRunsItsCommand) {
    Select("A");
    Form->ShowPage(PageFolderInfo);
    QSignalSpy triggered(Action("cmdViewBarChart"), &QAction::triggered);
    TModalCloser closer;
    QTest::mouseClick(Part<TFolderInfoPage>().imgTreeBarChart, Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);
}

// ---- wasted space ---------------------------------------------------------------------

TEST_F(FolderPagesTest, WastedPageIsTheSameUnderEveryWhatIfSize) {
    Select("A");
    TWastedPage& page = Part<TWastedPage>();
    for (int whatIf = 0; whatIf <= 7; ++whatIf) {
        WhatIf(whatIf);
        Form->ShowPage(PageWasted);
        EXPECT_EQ(page.txtWebWastedAmount->text(),
                  QStringLiteral("Amount of space wasted by folder (+ subfolders)"));
        for (int i = 0; i < AltClusterCount; ++i) {
            const std::int64_t cluster = AltClusterSizes[i + 1];
            const std::int64_t wasted = Slack(5000, cluster) + Slack(10, cluster);
            const std::size_t p = static_cast<std::size_t>(i);
            EXPECT_EQ(page.txtWasted[p]->toolTip(), Bytes(wasted)) << whatIf << " " << i;
            EXPECT_EQ(page.WastedInd[p]->Progress(), int(wasted * 100 / (wasted + 5010)));
            const QPalette& colours = page.panWasted[p]->palette();
            const QColor expected =
                colours.color(cluster == 4096 ? QPalette::Button : QPalette::Base);
            EXPECT_EQ(colours.color(QPalette::Window), expected) << i;
        }
    }
    EXPECT_EQ(page.capWasted[0]->text(), QStringLiteral("0.5K"));
    EXPECT_EQ(page.capWasted[0]->toolTip(), QStringLiteral("512 bytes"));
    EXPECT_EQ(page.txtWasted[6]->text(), QStringLiteral("123 KB")); // 126,062 bytes
}

TEST_F(FolderPagesTest, WastedPageOfTheDriveAndItsHelpLink) {
    Select("");
    Form->ShowPage(PageWasted);
    TWastedPage& page = Part<TWastedPage>();
    EXPECT_EQ(page.txtWebWastedAmount->text(), QStringLiteral("Amount of space wasted on drive"));
    EXPECT_EQ(page.txtWebWastedPath->FullText(), TFolderTreeModel::NodeText(Node("")));
    EXPECT_EQ(page.Content().HelpContext, 3020);
    QTest::mouseClick(page.txtWebReduceWaste, Qt::LeftButton);
    THelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<THelpWindow*>(w); h && h->isVisible())
            help = h;
    ASSERT_NE(help, nullptr);
    help->close();
}

TEST_F(FolderPagesTest, EmptyFolderWastesNothing) {
    Select("D");
    Form->ShowPage(PageWasted);
    for (TSimplePieGauge* gauge : Part<TWastedPage>().WastedInd)
        EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_EQ(Part<TWastedPage>().txtWasted[0]->text(), QStringLiteral("0 bytes"));
}

// ---- subfolders -----------------------------------------------------------------------

TEST_F(FolderPagesTest, ListUnderEachDisplayType) {
    Select("");
    Form->ShowPage(PageSubfolders);
    TSubfoldersPage& page = Part<TSubfoldersPage>();
    // "All Folders", sorted by name as the settings say.
    EXPECT_EQ(page.cbFoldersDisplayType->currentIndex(), DisplayAll);
    EXPECT_EQ(ListNames(), (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(page.TheFilesList->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("-> Name"));
    EXPECT_FALSE(page.cbFoldersTop->isVisibleTo(&page));
    EXPECT_FALSE(page.udFoldersLargerThan->isVisibleTo(&page));
    EXPECT_FALSE(page.panWebListLevelUp->isVisibleTo(&page));
    EXPECT_EQ(page.List().Text(RowOf("B"), ColSize), QStringLiteral("1,024 KB"));

    // "Folders Larger Than" 1 MB: exactly 1 MB stays, one byte less goes,
    // unless its wasted space counts.
    page.cbFoldersLargerThanBytes->setCurrentIndex(2);
    page.udFoldersLargerThan->setValue(1);
    page.cbFoldersDisplayType->setCurrentIndex(DisplayLargerThan);
    EXPECT_TRUE(page.udFoldersLargerThan->isVisibleTo(&page));
    EXPECT_TRUE(page.cbFoldersLargerThanBytes->isVisibleTo(&page));
    EXPECT_FALSE(page.cbFoldersTop->isVisibleTo(&page));
    EXPECT_EQ(ListNames(), (QStringList{"B", "C"}));
    EXPECT_EQ(page.TheFilesList->model()->headerData(ColAllocated, Qt::Horizontal).toString(),
              QStringLiteral("-> Allocated"));
    Action("toolShowWasted")->trigger(); // off
    EXPECT_EQ(ListNames(), (QStringList{"B"}));
    EXPECT_EQ(page.TheFilesList->model()->headerData(ColSize, Qt::Horizontal).toString(),
              QStringLiteral("-> Size"));
    Action("toolShowWasted")->trigger(); // on again

    // "Top Large Folders": the count from the box; letters count as 10.
    page.cbFoldersDisplayType->setCurrentIndex(DisplayTopLarge);
    EXPECT_TRUE(page.cbFoldersTop->isVisibleTo(&page));
    EXPECT_TRUE(page.txtFoldersTop->isVisibleTo(&page));
    EXPECT_FALSE(page.udFoldersLargerThan->isVisibleTo(&page));
    page.cbFoldersTop->setEditText(QStringLiteral("1"));
    EXPECT_EQ(ListNames(), (QStringList{"B"})); // C's 1,024 KB reads the same, B comes first
    page.cbFoldersTop->setEditText(QStringLiteral("abc"));
    EXPECT_EQ(page.cbFoldersTop->currentText(), QStringLiteral("10"));
    EXPECT_EQ(ListNames().size(), 4);
}

TEST_F(FolderPagesTest, NumberEditTakesDigitsOnly) {
    Select("");
    Form->ShowPage(PageSubfolders);
    TSubfoldersPage& page = Part<TSubfoldersPage>();
    page.cbFoldersDisplayType->setCurrentIndex(DisplayLargerThan);
    page.ediFoldersLargerThan->selectAll();
    QTest::keyClicks(page.ediFoldersLargerThan, QStringLiteral("x"));
    EXPECT_EQ(page.udFoldersLargerThan->value(), 1);
    QTest::keyClicks(page.ediFoldersLargerThan, QStringLiteral("7"));
    EXPECT_EQ(page.udFoldersLargerThan->value(), 7);
}

TEST_F(FolderPagesTest, ColumnClicksSortAndMoveTheMark) {
    Select("");
    Form->ShowPage(PageSubfolders);
    TSubfoldersPage& page = Part<TSubfoldersPage>();
    QHeaderView* header = page.TheFilesList->horizontalHeader();
    emit header->sectionClicked(ColName); // sorted by name already: now descending
    EXPECT_EQ(ListNames(), (QStringList{"D", "C", "B", "A"}));
    EXPECT_EQ(page.List().Caption(ColName), QStringLiteral("-> Name"));
    emit header->sectionClicked(ColName);
    EXPECT_EQ(ListNames(), (QStringList{"A", "B", "C", "D"}));
    emit header->sectionClicked(ColWasted);
    EXPECT_EQ(page.List().Caption(ColName), QStringLiteral("Name"));
    EXPECT_EQ(page.List().Caption(ColWasted), QStringLiteral("-> Wasted"));
    EXPECT_EQ(page.List().SortColumn(), ColWasted + 1);
}

TEST_F(FolderPagesTest, DoubleClickOpensAFolderAndUpOneLevelComesBack) {
    Select("");
    Form->ShowPage(PageSubfolders);
    TSubfoldersPage& page = Part<TSubfoldersPage>();
    const QModelIndex b = page.TheFilesList->model()->index(RowOf("B"), 0);
    emit page.TheFilesList->doubleClicked(b);
    EXPECT_EQ(Form->CurrentNode(), Node("B"));
    EXPECT_EQ(Form->CurrentPage(), PageSubfolders);
    EXPECT_TRUE(page.panWebListLevelUp->isVisibleTo(&page));
    EXPECT_EQ(page.txtWebFolderListPath->FullText(), QString::fromStdString(Root + "/B"));
    EXPECT_EQ(page.List().RowCount(), 0);
    QTest::mouseClick(page.panWebListLevelUp, Qt::LeftButton);
    EXPECT_EQ(Form->CurrentNode(), Node(""));
    EXPECT_FALSE(page.panWebListLevelUp->isVisibleTo(&page));
}

TEST_F(FolderPagesTest, RightClickShowsTheMenuOfTheRowsFolder) {
    Select("");
    Form->ShowPage(PageSubfolders);
    TSubfoldersPage& page = Part<TSubfoldersPage>();
    const QRect row =
        page.TheFilesList->visualRect(page.TheFilesList->model()->index(RowOf("C"), 0));
    QApplication::clipboard()->clear();
    QTimer::singleShot(50, Form.get(), [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_C); // "&Copy Path"
    });
    emit page.TheFilesList->customContextMenuRequested(row.center());
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdString(Root + "/C"));
}

TEST_F(FolderPagesTest, SettingsChangesRebuildOnlyThePagesTheyConcern) {
    Select("");
    Form->ShowPage(PageSubfolders);
    QSignalSpy resets(&Part<TSubfoldersPage>().List(), &QAbstractItemModel::modelReset);
    Action("toolShowFiles")->trigger(); // the pie's business only
    EXPECT_EQ(resets.count(), 0);
    Action("toolShowFiles")->trigger();
    Form->ShowPage(PageSubfolders); // cached: no refill
    EXPECT_EQ(resets.count(), 0);
    WhatIf(7);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(Part<TSubfoldersPage>().List().Text(RowOf("A"), ColWasted),
              QStringLiteral("123 KB")); // 126,062 bytes at 64 K
    Action("toolShowWasted")->trigger();
    EXPECT_EQ(resets.count(), 2);
    // The folder information page was cleared too and shows the new size now.
    Select("A");
    Form->ShowPage(PageFolderInfo);
    EXPECT_EQ(Part<TFolderInfoPage>().txtWebTreeInfoAllocated->text(), QStringLiteral("128 KB"));
    Action("toolShowWasted")->trigger();
}

TEST_F(FolderPagesTest, ThousandsOfSubfoldersFillInOneReset) {
    for (int i = 0; i < 3000; ++i)
        Temp.MakeDir("drive/many/d" + std::to_string(i));
    Form->Session().ScanOrRescanDrive(Root);
    Select("many");
    QSignalSpy resets(&Part<TSubfoldersPage>().List(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&Part<TSubfoldersPage>().List(), &QAbstractItemModel::rowsInserted);
    Form->ShowPage(PageSubfolders);
    EXPECT_EQ(Part<TSubfoldersPage>().List().RowCount(), 3000);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
}

// ---- list settings ----------------------------------------------------------------------

TEST_F(FolderPagesTest, ListSettingsOutOfRangeGiveDefaultsAndComeBackAsSaved) {
    Form.reset();
    Store.SetInt(Keys::FoldersDisplayType, 3);
    Store.SetInt(Keys::FoldersDisplayTopX, -5);
    Store.SetInt(Keys::FoldersDisplayLargerThan, 32768);
    Store.SetInt(Keys::FoldersDisplayLargerThanUnit, -1);
    Store.SetInt(Keys::FoldersDisplaySort, 9);
    MakeForm();
    TSubfoldersPage* page = &Part<TSubfoldersPage>();
    EXPECT_EQ(page->cbFoldersDisplayType->currentIndex(), DisplayAll);
    EXPECT_EQ(page->cbFoldersTop->currentText(), QStringLiteral("10"));
    EXPECT_EQ(page->udFoldersLargerThan->value(), 1);
    EXPECT_EQ(page->cbFoldersLargerThanBytes->currentIndex(), 1);
    EXPECT_EQ(page->List().SortColumn(), 1);
    EXPECT_EQ(page->List().Caption(ColName), QStringLiteral("-> Name"));

    page->cbFoldersDisplayType->setCurrentIndex(DisplayLargerThan);
    page->cbFoldersTop->setEditText(QStringLiteral("25"));
    page->udFoldersLargerThan->setValue(300);
    page->cbFoldersLargerThanBytes->setCurrentIndex(2);
    page->TheFilesListColumnClick(ColObjects);
    page->TheFilesListColumnClick(ColObjects);
    Form.reset();
    EXPECT_EQ(Store.Int(Keys::FoldersDisplayType), DisplayLargerThan);
    EXPECT_EQ(Store.Int(Keys::FoldersDisplayTopX), 25);
    EXPECT_EQ(Store.Int(Keys::FoldersDisplayLargerThan), 300);
    EXPECT_EQ(Store.Int(Keys::FoldersDisplayLargerThanUnit), 2);
    EXPECT_EQ(Store.Int(Keys::FoldersDisplaySort), -(ColObjects + 1));

    MakeForm();
    page = &Part<TSubfoldersPage>();
    EXPECT_EQ(page->cbFoldersDisplayType->currentIndex(), DisplayLargerThan);
    EXPECT_TRUE(page->udFoldersLargerThan->isVisibleTo(page));
    EXPECT_EQ(page->udFoldersLargerThan->value(), 300);
    EXPECT_EQ(page->List().Caption(ColObjects), QStringLiteral("-> Objects"));
    // A top count that is no number is saved as 10.
    page->cbFoldersTop->setEditText(QStringLiteral("abc"));
    Form.reset();
    EXPECT_EQ(Store.Int(Keys::FoldersDisplayTopX), 10);
}

} // namespace

// ---- free some space ---------------------------------------------------------------

namespace {

// The clean-up page on a folder: it explains the panel under the mouse, a
// delete answered No keeps everything, Ctrl+D with Yes takes the folder off
// the disk and off every figure; on a drive's root nothing of it is offered.
TEST_F(FolderPagesTest, FreeSomeSpaceExplainsAsksAndDeletes) {
    Form->resize(1000, 700);
    Form->show();
    Select("A");
    Form->ShowPage(PageCleanUp);
    TCleanUpPage& page = Part<TCleanUpPage>();
    EXPECT_EQ(page.ediCleanMenuHint->toPlainText(), TCleanUpPage::Hint(0));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(page.panCleanMenuDelete, &enter);
    EXPECT_EQ(page.ediCleanMenuHint->toPlainText(), TCleanUpPage::Hint(4));
    EXPECT_EQ(page.panCleanMenuDelete->palette().color(QPalette::Window),
              page.palette().color(QPalette::Highlight));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(page.panCleanMenuDelete, &leave);
    EXPECT_EQ(page.ediCleanMenuHint->toPlainText(), TCleanUpPage::Hint(0));

    // The short-cuts are the window's: a value picked in the what-if box
    // leaves the focus there, and the box would take the keys for itself.
    // Offscreen, the pie page's section window took the activation when shown.
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Widget<QComboBox>("ClustersBox")->setFocus();
    QTest::keyClick(Widget<QComboBox>("ClustersBox"), Qt::Key_Down);
    ASSERT_EQ(Form->WhatIf(), 1);
    ASSERT_TRUE(Widget<QComboBox>("ClustersBox")->hasFocus());
    QStringList opened;
    const auto dialogOf = [&](Qt::Key key) {
        // A closed dialog gives the window back its activation and focus.
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        ASSERT_TRUE(Widget<QComboBox>("ClustersBox")->hasFocus());
        QTimer::singleShot(0, Form.get(), [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened << modal->objectName();
                modal->close();
            }
        });
        QTest::keyClick(Widget<QComboBox>("ClustersBox"), key, Qt::ControlModifier);
        QApplication::processEvents();
    };
    dialogOf(Qt::Key_R);
    dialogOf(Qt::Key_M);
    dialogOf(Qt::Key_T);
    EXPECT_EQ(opened.join(QLatin1Char(' ')),
              QStringLiteral("CleanUpCompressFolderBox CleanUpMoveFolderBox BarChartBox"));
    EXPECT_EQ(Form->CurrentNode(), Node("A"));

    const std::int64_t before = Node("")->Data->TreeSize;
    Boxes.Answer(QMessageBox::No);
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Widget<QComboBox>("ClustersBox"), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_NE(Boxes.Shown()[0].Text.indexOf(QStringLiteral("\"A\"")), -1);
    EXPECT_NE(Boxes.Shown()[0].Text.indexOf(QStringLiteral("2 files")), -1);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Temp.Path("drive/A/f1"))));
    EXPECT_EQ(Node("")->Data->TreeSize, before);

    Boxes.Answer(QMessageBox::Yes);
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page.txtCleanMenuDelete, &click);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Temp.Path("drive/A"))));
    EXPECT_EQ(Node("A"), nullptr);
    EXPECT_EQ(Node("")->Data->TreeSize, before - 5010);
    EXPECT_EQ(Form->CurrentNode(), Node(""));

    // A drive's root: the page is not offered and its short-cuts do nothing.
    EXPECT_FALSE(Widget<QTabWidget>("ThePages")->isTabVisible(PageCleanUp + 1));
    const std::size_t asked = Boxes.Shown().size();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Widget<QComboBox>("ClustersBox"), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(Boxes.Shown().size(), asked);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Root)));
}

} // namespace
