// The pie page of the real window on a tmpfs drive made by the test: the
// sections it draws, the header that follows the mouse, and the moves through
// the tree that clicks on the pie make.
#include "ui/main/PiePage.h"
#include "WindowTest.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"
#include "models/FolderTreeModel.h"
#include "settings/ProgramSettings.h"
#include "shell/MessageBox.h"
#include "ui/charts/PieDisplay.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

// Readable failures for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// The options the pie reads.
struct TPieSettings {
    bool IncludeWasted, ShowFiles, SortAscending, AutoExpand, AutoCollapse;
    int LabelValue;
    void Put(TProgramSettings& s) const {
        s.IncludeWastedInformation.Value = IncludeWasted;
        s.ShowFileNames.Value = ShowFiles;
        s.SortAscending.Value = SortAscending;
        s.AutoExpand.Value = AutoExpand;
        s.AutoCollapse.Value = AutoCollapse;
        s.ShowPercentInPie.Value = LabelValue;
    }
};

class PiePageTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeFile("drive/Docs/report", 300000);
        Temp.MakeFile("drive/Docs/Sub/deep", 100000);
        Temp.MakeFile("drive/Music/song", 200000);
        Temp.MakeFile("drive/readme.txt", 150000);
        Temp.MakeFile("drive/tiny", 10);
        Temp.MakeFile("drive/Only/Inner/x", 5000);
        Temp.MakeDir("drive/Empty");
        MakeForm();
        TPieSettings{false, true, false, true, true, 0}.Put(Form->Settings());
        Page = &Part<TPiePage>();
        Form->Session().ScanOrRescanDrive(Root);
        Form->resize(1000, 700);
        Form->show();
        QTest::qWait(50);
    }

    void TearDown() override { Form.reset(); }

    void Select(const std::string& relative) {
        TWindowTest::Select(relative);
        QTest::qWait(10);
    }

    std::vector<QString> Captions() {
        std::vector<QString> captions;
        for (int i = 0; i < Page->Chart().SectionCount(); ++i)
            captions.push_back(Page->Chart().GetSection(i)->Caption);
        return captions;
    }

    int IndexOf(const QString& caption) {
        for (int i = 0; i < Page->Chart().SectionCount(); ++i)
            if (Page->Chart().GetSection(i)->Caption.startsWith(caption))
                return i;
        return -1;
    }

    // A point well inside the section, on the screen's pie.
    QPoint Inside(const QString& caption) {
        const int index = IndexOf(caption);
        EXPECT_GE(index, 0) << caption.toStdString();
        double start = 0;
        for (int i = 0; i < index; ++i)
            start += Page->Chart().GetSection(i)->Angle;
        const double middle = start + Page->Chart().GetSection(index)->Angle / 2;
        return Page->ChartOrigin() +
               Page->Chart().PointAt(middle, Page->Chart().DiscRadius() * 2 / 3);
    }

    QPoint Outside() const { return QPoint(3, 3); }

    void Hover(const QPoint& pos) {
        // A move to where the cursor already is sends nothing; an earlier
        // test may have left it right there.
        QTest::mouseMove(Page->FolderPie, pos + QPoint(1, 1));
        QTest::mouseMove(Page->FolderPie, pos);
        QApplication::processEvents();
    }

    bool CursorIs(int number) {
        const QCursor shown = Page->FolderPie->cursor();
        const QCursor wanted = Page->CursorShape(number);
        if (wanted.shape() != Qt::BitmapCursor)
            return shown.shape() == wanted.shape();
        return shown.shape() == Qt::BitmapCursor &&
               shown.pixmap().cacheKey() == wanted.pixmap().cacheKey();
    }

    QModelIndex TreeIndex(const std::string& relative) {
        auto* model = qobject_cast<TFolderTreeModel*>(FolderTree()->model());
        return model->IndexOf(Node(relative));
    }

    TPiePage* Page = nullptr;
};

TEST_F(PiePageTest, SectionsOfTheDriveRootWithTheirLabelValues) {
    ASSERT_EQ(Form->CurrentNode(), Node(""));
    // 755,010 bytes: three folders, a file and the group of the smaller files.
    EXPECT_EQ(Captions(),
              (std::vector<QString>{"Docs", "Music", "readme.txt", "Only", "Other smaller files"}));
    const auto itemOf = [&](int section) {
        return Page->Content().Items.at(std::size_t(Page->Chart().GetSection(section)->Item));
    };
    EXPECT_EQ(itemOf(0).Node, Node("Docs"));
    EXPECT_EQ(itemOf(2).Node, nullptr);
    EXPECT_EQ(Page->Chart().GetSection(0)->Color, ResolveColor(Form->Settings().Colors[2]));
    EXPECT_EQ(Page->Chart().GetSection(2)->Color, ResolveColor(Form->Settings().Colors[5]));
    EXPECT_EQ(Page->Chart().GetSection(4)->Color, ResolveColor(Form->Settings().Colors[6]));
    // The folder itself is record 0, and the header shows it after a build.
    EXPECT_EQ(Page->Content().Items.at(0).Node, Node(""));
    EXPECT_EQ(Page->txtWebFolderType->text(), "Root Folder of Drive");
    EXPECT_EQ(Page->txtWebFolderSize->text(), FormatSize(755010));
    EXPECT_EQ(Page->txtWebSectionDrive->text(), QString::fromStdString("of " + Root));

    // Percentages are truncated: Docs is 52.98 % of the folder.
    Action("toolPercent")->trigger();
    EXPECT_EQ(Captions(), (std::vector<QString>{"Docs (52%)", "Music (26%)", "readme.txt (19%)",
                                                "Only (0%)", "Other smaller files (0%)"}));
    Action("toolMB")->trigger();
    EXPECT_FALSE(Action("toolPercent")->isChecked());
    EXPECT_EQ(Captions()[0], "Docs (" + FormatSize(400000) + ")");
    Action("toolMB")->trigger();
    EXPECT_EQ(Captions()[0], "Docs");

    // Without files the folder's own files are one section.
    Action("toolShowFiles")->trigger();
    EXPECT_EQ(Captions(), (std::vector<QString>{"Docs", "Music", "Files in this folder", "Only"}));
    // Ascending puts the smallest first.
    Action("cmdViewPieSortAscending")->trigger();
    EXPECT_EQ(Captions(), (std::vector<QString>{"Only", "Files in this folder", "Music", "Docs"}));
}

TEST_F(PiePageTest, EmptyFolderAndASubfolderHoldingEverything) {
    Select("Empty");
    EXPECT_EQ(Captions(), std::vector<QString>{"This folder (0 bytes)"});
    EXPECT_EQ(Page->Chart().GetSection(0)->Angle, 360.0);
    EXPECT_EQ(Page->Chart().GetSection(0)->Color, ResolveColor(Form->Settings().Colors[4]));
    Select("Only");
    EXPECT_EQ(Captions(), std::vector<QString>{"Inner"});
    EXPECT_EQ(Page->Chart().GetSection(0)->Angle, 360.0);
}

TEST_F(PiePageTest, HoverDescribesTheItemUnderTheMouse) {
    Hover(Inside("Music"));
    EXPECT_EQ(Page->HighlightedIndex(), IndexOf("Music"));
    EXPECT_EQ(Page->Chart().HighlightIndex, IndexOf("Music"));
    EXPECT_EQ(Page->txtWebFolderName->text(), "Music");
    EXPECT_EQ(Page->txtWebFolderType->text(), "Folder");
    EXPECT_EQ(Page->txtWebFolderSize->text(), FormatSize(200000));
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(),
              QString::fromStdString("Folder " + Root + "/Music"));
    EXPECT_TRUE(CursorIs(5));
    EXPECT_EQ(Page->PointedItem().Node, Node("Music"));
    EXPECT_EQ(Page->PointedItem().Path, Root + "/Music");
    // 200,000 bytes end 704 bytes short of a 4 KB cluster.
    EXPECT_EQ(Form->SectionSizeBox()->txtWasted->text(), FormatSize(704));

    Hover(Inside("readme.txt"));
    EXPECT_EQ(Page->txtWebFolderName->text(), "readme.txt");
    EXPECT_FALSE(Page->txtWebFolderType->text().isEmpty());
    EXPECT_NE(Page->txtWebFolderType->text(), "Folder");
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(),
              QString::fromStdString("File " + Root + "/readme.txt"));
    EXPECT_TRUE(CursorIs(0));
    EXPECT_EQ(Page->PointedItem().Node, nullptr);

    // Outside the disc of a drive root: the root itself, with the arrow.
    Hover(Outside());
    EXPECT_EQ(Page->HighlightedIndex(), -1);
    EXPECT_EQ(Page->txtWebFolderType->text(), "Root Folder of Drive");
    EXPECT_TRUE(CursorIs(0));

    // Outside a subfolder's disc: the folder, and the way up.
    Select("Docs");
    Hover(Outside());
    EXPECT_EQ(Page->txtWebFolderName->text(), "Docs");
    EXPECT_TRUE(CursorIs(6));

    // The header shows the allocated size when wasted space is included.
    Action("toolShowWasted")->trigger();
    Hover(Inside("report"));
    EXPECT_EQ(Page->txtWebFolderSize->text(), FormatSize(303104));
}

TEST_F(PiePageTest, GroupsShowTheirNameAndNoMenu) {
    Action("toolShowFiles")->trigger();
    Hover(Inside("Files in this folder"));
    EXPECT_EQ(Page->txtWebFolderName->text(), "Files in this folder");
    EXPECT_TRUE(Page->txtWebFolderType->text().isEmpty());
    EXPECT_EQ(Widget<QLabel>("StatusPanel0")->text(), "Files in this folder");

    bool menuShown = false;
    auto watchMenu = [&] {
        QTimer::singleShot(100, Form.get(), [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
    };
    watchMenu();
    QTest::mouseClick(Page->FolderPie, Qt::RightButton, {}, Inside("Files in this folder"));
    QTest::qWait(200);
    EXPECT_FALSE(menuShown);
    // A left click on it opens nothing either.
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Inside("Files in this folder"));
    EXPECT_EQ(Form->CurrentNode(), Node(""));

    watchMenu();
    QTest::mouseClick(Page->FolderPie, Qt::RightButton, {}, Inside("Music"));
    QTest::qWait(200);
    EXPECT_TRUE(menuShown);
    EXPECT_TRUE(Node("Music")); // closed without a command: nothing removed
}

TEST_F(PiePageTest, ClickIntoASubfolderAndOutsideUpALevel) {
    FolderTree()->collapse(TreeIndex(""));
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Inside("Docs"));
    EXPECT_EQ(Form->CurrentNode(), Node("Docs"));
    EXPECT_EQ(Form->CurrentPath(), Root + "/Docs");
    EXPECT_TRUE(FolderTree()->isExpanded(TreeIndex("Docs"))); // AutoExpand
    EXPECT_EQ(Captions(), (std::vector<QString>{"report", "Sub"}));

    // A file opens nothing.
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Inside("report"));
    EXPECT_EQ(Form->CurrentNode(), Node("Docs"));

    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Inside("Sub"));
    EXPECT_EQ(Form->CurrentNode(), Node("Docs/Sub"));
    // Outside the disc: up one level, the folder left collapsed (AutoCollapse).
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Outside());
    EXPECT_EQ(Form->CurrentNode(), Node("Docs"));
    EXPECT_FALSE(FolderTree()->isExpanded(TreeIndex("Docs/Sub")));
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Outside());
    EXPECT_EQ(Form->CurrentNode(), Node(""));
    EXPECT_FALSE(FolderTree()->isExpanded(TreeIndex("Docs")));
    // A drive root has nowhere to go.
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Outside());
    EXPECT_EQ(Form->CurrentNode(), Node(""));
}

TEST_F(PiePageTest, WithoutAutoExpandOrCollapseTheTreeStaysAsItIs) {
    Form->Settings().AutoExpand.Value = false;
    Form->Settings().AutoCollapse.Value = false;
    FolderTree()->collapse(TreeIndex(""));
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Inside("Docs"));
    ASSERT_EQ(Form->CurrentNode(), Node("Docs"));
    EXPECT_FALSE(FolderTree()->isExpanded(TreeIndex("Docs")));
    FolderTree()->expand(TreeIndex("Docs"));
    QTest::mouseClick(Page->FolderPie, Qt::LeftButton, {}, Outside());
    EXPECT_EQ(Form->CurrentNode(), Node(""));
    EXPECT_TRUE(FolderTree()->isExpanded(TreeIndex("Docs")));
}

TEST_F(PiePageTest, WhatIfClusterSizeMovesFoldersNotFiles) {
    Action("toolShowWasted")->trigger();
    ASSERT_TRUE(Form->Settings().IncludeWastedInformation.Value);
    auto recordOf = [&](const QString& caption) {
        return &Page->Content().Items.at(
            std::size_t(Page->Chart().GetSection(IndexOf(caption))->Item));
    };
    const std::int64_t fileWasted = recordOf("readme.txt")->Wasted;
    const std::int64_t musicWasted = recordOf("Music")->Wasted;
    EXPECT_EQ(fileWasted, 4096 - 150000 % 4096);
    Widget<QComboBox>("ClustersBox")->setCurrentIndex(7);
    emit Widget<QComboBox>("ClustersBox")->activated(7);
    EXPECT_EQ(recordOf("readme.txt")->Wasted, fileWasted);
    EXPECT_EQ(recordOf("Music")->Wasted, 65536 - 200000 % 65536);
    EXPECT_NE(recordOf("Music")->Wasted, musicWasted);
    emit Widget<QComboBox>("ClustersBox")->activated(0);
}

TEST_F(PiePageTest, HeaderIconOpensThePropertiesOfTheItemShown) {
    Hover(Inside("Music"));
    // The dialog is modal: look for it from a timer until it is up.
    QString title;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            title = modal->windowTitle();
            poll.stop();
            modal->close();
        }
    });
    poll.start();
    QTest::mouseClick(Page->imgIcon, Qt::LeftButton);
    EXPECT_EQ(title, "Music Properties");
}

TEST_F(PiePageTest, ResizingRedrawsTheDiscAtTheNewSize) {
    const int before = Page->Chart().DiscRadius();
    Form->resize(700, 500);
    QTest::qWait(50);
    EXPECT_LT(Page->Chart().DiscRadius(), before);
    // What is on screen is the chart at that size: the centre shows a
    // section, not the background.
    const QImage shown = Page->FolderPie->Shown();
    ASSERT_EQ(shown.size(), Page->FolderPie->size());
    EXPECT_NE(shown.pixelColor(Page->ChartOrigin() + Page->Chart().Centre() + QPoint(0, 10)),
              ResolveColor(Form->Settings().Colors[0]));
}

TEST_F(PiePageTest, LabelsStayOnTheDisplay) {
    // Two halves, labelled at the far left and the far right, one with a
    // name far wider than the chart's own margin.
    const std::string name = "A folder with a rather long name";
    Temp.MakeFile("drive/Music/" + name + "/f", 200000);
    Select("Music");
    Action("cmdFileRescanCurrentDirectory")->trigger();
    // Folders come before files, and equal sections keep that order.
    ASSERT_EQ(Captions(), (std::vector<QString>{QString::fromStdString(name), "song"}));
    const QRect display = Page->FolderPie->rect();
    QFontMetrics metrics(QFont{});
    for (int i = 0; i < Page->Chart().SectionCount(); ++i) {
        const TPieSection* section = Page->Chart().GetSection(i);
        ASSERT_TRUE(section->Labelled);
        const QPoint pos = Page->ChartOrigin() + section->LabelPos;
        const QRect box(pos - QPoint(4, 2), QSize(metrics.horizontalAdvance(section->Caption) + 8,
                                                  metrics.height() + 4));
        EXPECT_TRUE(display.contains(box)) << section->Caption.toStdString();
    }
    // The disc gave way for the labels, but only as far as needed.
    EXPECT_GT(Page->Chart().DiscRadius(), 0);
    const int full = std::min(display.width() - 2 * THPieChart::HorizontalMargin,
                              display.height() - 2 * THPieChart::VerticalMargin);
    EXPECT_LT(Page->Chart().DiscRadius() * 2, full);
    EXPECT_GE(Page->Chart().DiscRadius() * 2, full / 2);
}

} // namespace
