// The tree bar chart window on a tree built in the test: its rows, the bars
// it draws under each setting, the keys and clicks that choose a folder, the
// column and window resizing, and the settings it keeps.
#include "common/BarChartTestTree.h"

#include "engine/FolderSize.h"
#include "engine/Formatting.h"
#include "settings/ColorTable.h"
#include "settings/ConfigKeys.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsStore.h"
#include "ui/charts/BarChartBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::int64_t Cluster = TBarChartTestTree::ClusterSize;

// Points the settings store at a folder of its own for the test's lifetime.
class TScopedConfig {
public:
    TScopedConfig() : Had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")) {
        Old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", Dir.path().toLocal8Bit());
    }
    ~TScopedConfig() {
        if (Had)
            qputenv("XDG_CONFIG_HOME", Old);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

private:
    QTemporaryDir Dir;
    bool Had;
    QByteArray Old;
};

class BarChartBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings.IncludeWastedInformation.Value = true;
        // Files fill whole 4 KB clusters, so the drive's own cluster size
        // wastes nothing: 20 clusters in all, 5 in A1, 5 in B, 10 in C1.
        Root = T.AddRoot("/data");
        A = T.Add(Root, "A");
        A1 = T.Add(A, "A1", {5 * Cluster});
        T.Add(A, "A2");
        B = T.Add(Root, "B", {5 * Cluster});
        C = T.Add(Root, "C");
        T.Add(C, "C1", {10 * Cluster});
        T.Finish(Root);
        Box = std::make_unique<TBarChartBox>(Settings);
    }

    void TearDown() override { Box.reset(); }

    // The what-if cluster size whose wasted space the bars include.
    int WhatIf = 0;
    // The program's settings, as the window reads them.
    TProgramSettings Settings;

    void ShowWindow(TFolderNode* node, int graphWidth = 200) {
        Box->ShowFolder(node, WhatIf);
        Box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Box.get()));
        Box->TheHeader->resizeSection(0, graphWidth);
        QApplication::processEvents();
    }

    QModelIndex Row(int row) const { return Box->BarList->model()->index(row, 0); }

    // How far the bar of a row reaches: the last pixel of the graph column,
    // along the row's middle, that differs from the row's background.
    int DrawnBar(int row, QColor* fill = nullptr) const {
        const QImage image = Box->BarList->viewport()->grab().toImage();
        const QRect rect = Box->BarList->visualRect(Row(row));
        const int y = rect.center().y();
        const int graph = Box->GraphWidth();
        // The gap between the graph column and the text is always background.
        const QColor background = image.pixelColor(graph + 1, y);
        int extent = 0;
        for (int x = 0; x < graph; ++x)
            if (image.pixelColor(x, y) != background)
                extent = x + 1;
        if (fill && extent > 2)
            *fill = image.pixelColor(extent / 2, y);
        return extent;
    }

    std::vector<int> DrawnBars() const {
        std::vector<int> bars;
        for (int row = 0; row < Box->RowCount(); ++row)
            bars.push_back(DrawnBar(row));
        return bars;
    }

    // Runs the window modally, doing `action` once it is up.
    int RunModal(const std::function<void()>& action) {
        QTimer::singleShot(0, Box.get(), action);
        // Whatever the action does, the test must not hang on the window.
        QTimer::singleShot(5000, Box.get(), [this] { Box->reject(); });
        return Box->exec();
    }

    TScopedConfig Config;
    TBarChartTestTree T;
    TFolderNode* Root = nullptr;
    TFolderNode* A = nullptr;
    TFolderNode* A1 = nullptr;
    TFolderNode* B = nullptr;
    TFolderNode* C = nullptr;
    std::unique_ptr<TBarChartBox> Box;
};

// ---- rows -----------------------------------------------------------------

TEST_F(BarChartBoxTest, RowsAreTheWholeSubtreeInPreOrder) {
    Box->ShowFolder(Root, WhatIf);
    std::vector<std::string> paths;
    for (int row = 0; row < Box->RowCount(); ++row)
        paths.push_back(NodePath(Box->RowNode(row)));
    EXPECT_EQ(paths, (std::vector<std::string>{"/data", "/data/A", "/data/A/A1", "/data/A/A2",
                                               "/data/B", "/data/C", "/data/C/C1"}));
    EXPECT_EQ(Box->windowTitle(), QStringLiteral("Tree Bar Chart - /data"));
    EXPECT_EQ(Box->Total(), 20 * Cluster);

    // The first row is selected and described at once.
    EXPECT_EQ(Box->BarList->currentIndex().row(), 0);
    EXPECT_EQ(Box->StatusPanel0->text(), FormatSize(20 * Cluster));
    EXPECT_EQ(Box->StatusPanel1->text(), QStringLiteral("/data"));

    Box->ShowFolder(A, WhatIf);
    EXPECT_EQ(Box->RowCount(), 3);
    EXPECT_EQ(Box->RowNode(0), A);
    EXPECT_EQ(Box->windowTitle(), QStringLiteral("Tree Bar Chart - /data/A"));
    EXPECT_EQ(Box->StatusPanel1->text(), QStringLiteral("/data/A"));
}

TEST_F(BarChartBoxTest, AFolderWithoutSubfoldersIsOneFullRow) {
    ShowWindow(B);
    ASSERT_EQ(Box->RowCount(), 1);
    EXPECT_EQ(DrawnBar(0), 200);
}

TEST_F(BarChartBoxTest, KeyboardMovesShowTheRowInTheStatusBar) {
    ShowWindow(Root);
    QTest::keyClick(Box->BarList, Qt::Key_Down);
    EXPECT_EQ(Box->StatusPanel0->text(), FormatSize(5 * Cluster));
    EXPECT_EQ(Box->StatusPanel1->text(), QStringLiteral("/data/A"));
    EXPECT_TRUE(Box->isVisible());

    // Without subfolder sizes a row stands for its own files only.
    Box->chkIncludeSubfolders->setChecked(false);
    QTest::keyClick(Box->BarList, Qt::Key_Down);
    EXPECT_EQ(Box->StatusPanel1->text(), QStringLiteral("/data/A/A1"));
    QTest::keyClick(Box->BarList, Qt::Key_Up);
    EXPECT_EQ(Box->StatusPanel0->text(), FormatSize(0));
}

// ---- bars -------------------------------------------------------------------

TEST_F(BarChartBoxTest, BarsShowEachFoldersShareOfTheWhole) {
    ShowWindow(Root);
    EXPECT_EQ(DrawnBars(), (std::vector<int>{200, 50, 50, 0, 50, 100, 100}));

    // Own files only: inner folders hold none, their bars are empty; the
    // whole stays the root's tree.
    Box->chkIncludeSubfolders->setChecked(false);
    QApplication::processEvents();
    EXPECT_EQ(DrawnBars(), (std::vector<int>{0, 0, 50, 0, 50, 0, 100}));
    EXPECT_EQ(Box->Total(), 20 * Cluster);

    // A wider graph column stretches every bar.
    Box->chkIncludeSubfolders->setChecked(true);
    Box->TheHeader->resizeSection(0, 300);
    QApplication::processEvents();
    EXPECT_EQ(DrawnBars(), (std::vector<int>{300, 75, 75, 0, 75, 150, 150}));
}

TEST_F(BarChartBoxTest, BarsFollowTheWhatIfClusterSize) {
    // At 64 KB clusters each of the three files takes one whole cluster, so
    // A1, B and C1 weigh the same.
    WhatIf = 7;
    ShowWindow(Root);
    EXPECT_EQ(Box->Total(), 3 * 65536);
    EXPECT_EQ(DrawnBars(), (std::vector<int>{200, 66, 66, 0, 66, 66, 66}));

    // Without wasted space the what-if size does not matter.
    Settings.IncludeWastedInformation.Value = false;
    Box->ShowFolder(Root, WhatIf);
    QApplication::processEvents();
    EXPECT_EQ(Box->Total(), 20 * Cluster);
    EXPECT_EQ(DrawnBars(), (std::vector<int>{200, 50, 50, 0, 50, 100, 100}));
}

TEST_F(BarChartBoxTest, BarsTakeTheColourOfTheColourTable) {
    Settings.Colors[ciTreeBarChartBars] = 0x00FF0000; // blue, as 0x00BBGGRR
    ShowWindow(Root);
    QColor fill;
    ASSERT_EQ(DrawnBar(5, &fill), 100);
    EXPECT_EQ(fill, QColor(Qt::blue));
}

TEST_F(BarChartBoxTest, AnEmptyTreeDrawsNoBars) {
    TFolderNode* empty = T.AddRoot("/empty");
    T.Add(empty, "x", {0, 0});
    T.Finish(empty);
    ShowWindow(empty);
    EXPECT_EQ(Box->Total(), 0);
    EXPECT_EQ(DrawnBars(), (std::vector<int>{0, 0}));
    EXPECT_EQ(Box->StatusPanel0->text(), FormatSize(0));

    // A folder whose scan never finished has no figures at all.
    TFolderNode* unscanned = T.AddRoot("/unscanned");
    ShowWindow(unscanned);
    EXPECT_EQ(Box->RowCount(), 1);
    EXPECT_EQ(DrawnBars(), std::vector<int>{0});
}

// ---- texts ------------------------------------------------------------------

TEST_F(BarChartBoxTest, NamesAreIndentedByTheirDepthInTheWholeTree) {
    Box->chkShowFullPath->setChecked(false);
    const QFontMetrics metrics(Box->BarList->font());
    EXPECT_EQ(Box->RowText(Root, metrics, 500), QStringLiteral("/data"));
    EXPECT_EQ(Box->RowText(A, metrics, 500), QStringLiteral("    A"));
    // Opened deeper down, the window's own first row is indented too.
    Box->ShowFolder(A1, WhatIf);
    EXPECT_EQ(Box->RowText(Box->RowNode(0), metrics, 500), QStringLiteral("        A1"));
}

TEST_F(BarChartBoxTest, FullPathsAreShortenedToTheFolderColumn) {
    const QFontMetrics metrics(Box->BarList->font());
    const QString full = QStringLiteral("/data/A/A1");
    EXPECT_EQ(Box->RowText(A1, metrics, 1000), full);
    const int narrow = metrics.horizontalAdvance(full) - 1;
    const QString shortened = Box->RowText(A1, metrics, narrow);
    EXPECT_NE(shortened, full);
    EXPECT_TRUE(shortened.endsWith(QStringLiteral("/A1"))) << shortened.toStdString();
    EXPECT_TRUE(shortened.contains(QStringLiteral("..."))) << shortened.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shortened), narrow);
}

// ---- choosing a folder --------------------------------------------------------

TEST_F(BarChartBoxTest, EnterChoosesTheSelectedFolderAndEmptiesTheList) {
    Box->ShowFolder(Root, WhatIf);
    const int result = RunModal([this] {
        Box->BarList->setCurrentIndex(Row(4));
        QTest::keyClick(Box->BarList, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Box->SelectedPath(), "/data/B");
    EXPECT_FALSE(Box->isVisible());
    EXPECT_EQ(Box->RowCount(), 0);
    EXPECT_EQ(Box->ShownRoot(), nullptr);

    // The next opening starts without a choice.
    Box->ShowFolder(A, WhatIf);
    EXPECT_TRUE(Box->SelectedPath().empty());
    EXPECT_EQ(Box->RowCount(), 3);
}

TEST_F(BarChartBoxTest, EnterChoosesWhereverTheFocusIs) {
    Box->ShowFolder(Root, WhatIf);
    const int result = RunModal([this] {
        Box->BarList->setCurrentIndex(Row(2));
        Box->chkShowFullPath->setFocus();
        QTest::keyClick(Box->chkShowFullPath, Qt::Key_Enter);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Box->SelectedPath(), "/data/A/A1");
    EXPECT_TRUE(Box->chkShowFullPath->isChecked());
}

TEST_F(BarChartBoxTest, EscapeLeavesWithoutAChoice) {
    Box->ShowFolder(Root, WhatIf);
    const int result = RunModal([this] {
        Box->BarList->setCurrentIndex(Row(4));
        QTest::keyClick(Box->BarList, Qt::Key_Escape);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(Box->SelectedPath().empty());
    EXPECT_EQ(Box->RowCount(), 0);
}

TEST_F(BarChartBoxTest, DoubleClickChoosesTheRowClicked) {
    ShowWindow(Root);
    const QPoint point = Box->BarList->visualRect(Row(5)).center();
    // A real double-click: the first click selects, the second arrives as
    // the double-click.
    QTest::mouseClick(Box->BarList->viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(Box->StatusPanel1->text(), QStringLiteral("/data/C"));
    QTest::mouseDClick(Box->BarList->viewport(), Qt::LeftButton, {}, point);
    EXPECT_EQ(Box->result(), QDialog::Accepted);
    EXPECT_FALSE(Box->isVisible());
    EXPECT_EQ(Box->SelectedPath(), "/data/C");
}

TEST_F(BarChartBoxTest, TheChosenPathKeepsTheBytesOfItsName) {
    TFolderNode* odd = T.Add(Root, std::string("caf\xe9"));
    odd->Data = std::make_unique<TFolderSize>();
    Box->ShowFolder(odd, WhatIf);
    // The status bar can only show a stand-in for the byte.
    EXPECT_TRUE(Box->StatusPanel1->text().contains(QChar::ReplacementCharacter));
    const int result = RunModal([this] { QTest::keyClick(Box->BarList, Qt::Key_Return); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Box->SelectedPath(), std::string("/data/caf\xe9"));
}

TEST_F(BarChartBoxTest, ATreeThatLosesFoldersClosesTheWindow) {
    ShowWindow(Root);
    Box->BarList->setCurrentIndex(Row(3));
    Box->ForgetRows();
    EXPECT_FALSE(Box->isVisible());
    EXPECT_EQ(Box->result(), QDialog::Rejected);
    EXPECT_EQ(Box->RowCount(), 0);
    EXPECT_TRUE(Box->SelectedPath().empty());
}

// ---- columns and window size ----------------------------------------------------

TEST_F(BarChartBoxTest, ResizingGivesAllExtraWidthToTheFolderColumn) {
    ShowWindow(Root, 150);
    EXPECT_EQ(Box->GraphWidth(), 150);
    EXPECT_EQ(Box->FolderWidth(), Box->TheHeader->width() - 150);
    const int headerBefore = Box->TheHeader->width();
    const int pathPanelBefore = Box->StatusPanel1->width();

    Box->resize(Box->width() + 200, Box->height());
    QApplication::processEvents();
    EXPECT_EQ(Box->TheHeader->width(), headerBefore + 200);
    EXPECT_EQ(Box->GraphWidth(), 150);
    EXPECT_EQ(Box->FolderWidth(), headerBefore + 200 - 150);
    EXPECT_EQ(Box->StatusPanel0->width(), TBarChartBox::StatusPanel0Width);
    EXPECT_EQ(Box->StatusPanel1->width(), pathPanelBefore + 200);

    // Widening the graph column narrows the folder column by as much.
    Box->TheHeader->resizeSection(0, 260);
    EXPECT_EQ(Box->FolderWidth(), Box->TheHeader->width() - 260);
    EXPECT_FALSE(Box->TheHeader->sectionsClickable());
}

// ---- settings ---------------------------------------------------------------------

TEST_F(BarChartBoxTest, AFreshUserGetsTheDefaults) {
    EXPECT_EQ(Box->pos(), QPoint(85, 110));
    EXPECT_EQ(Box->size(), QSize(509, 300));
    EXPECT_EQ(Box->GraphWidth(), 509 / 2);
    EXPECT_TRUE(Box->chkIncludeSubfolders->isChecked());
    EXPECT_TRUE(Box->chkShowFullPath->isChecked());
}

TEST_F(BarChartBoxTest, SettingsAreKeptFromOneRunToTheNext) {
    Box->move(40, 60);
    Box->resize(640, 420);
    Box->TheHeader->resizeSection(0, 123);
    Box->chkIncludeSubfolders->setChecked(false);
    Box->chkShowFullPath->setChecked(false);
    TSettingsStore store = TSettingsStore::Read(SettingsFilePath());
    Box->SaveSettings(store);
    const auto why = store.Write();
    ASSERT_FALSE(why) << why->toStdString();
    Box.reset();

    const TSettingsStore kept = TSettingsStore::Read(SettingsFilePath());
    EXPECT_EQ(kept.Int(Keys::GraphWidth, -1), 123);
    EXPECT_FALSE(kept.Bool(Keys::IncludeSubfolders));
    EXPECT_FALSE(kept.Bool(Keys::ShowFullPath));
    EXPECT_EQ(kept.Int(Keys::BarChartBoxWidth, -1), 640);

    Box = std::make_unique<TBarChartBox>(Settings);
    Box->LoadSettings(kept);
    EXPECT_EQ(Box->pos(), QPoint(40, 60));
    EXPECT_EQ(Box->size(), QSize(640, 420));
    EXPECT_EQ(Box->GraphWidth(), 123);
    EXPECT_FALSE(Box->chkIncludeSubfolders->isChecked());
    EXPECT_FALSE(Box->chkShowFullPath->isChecked());
}

TEST_F(BarChartBoxTest, ANegativeStoredGraphWidthGivesHalfTheHeader) {
    TSettingsStore store;
    store.SetInt(Keys::GraphWidth, -40);
    store.SetInt(Keys::BarChartBoxWidth, 600);
    Box->LoadSettings(store);
    EXPECT_EQ(Box->GraphWidth(), 300);
}

} // namespace
