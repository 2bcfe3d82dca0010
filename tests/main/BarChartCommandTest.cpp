// "Tree Bar Chart" from the main window: the window opens on the selected
// folder, and the folder chosen in it becomes the selection. Runs on a tmpfs
// drive mounted by the test.
#include "ModalCloser.h"
#include "WindowTest.h"
#include "common/TempTree.h"
#include "shell/MessageBox.h"
#include "ui/charts/BarChartBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/mount.h>

namespace {

class BarChartCommandTest : public TWindowTest {
protected:
    void SetUp() override {
        MakeDrive();
        Temp.MakeFile("drive/a.txt", 1);
        Temp.MakeFile("drive/Temp/big", 4096);
        Temp.MakeFile("drive/Temp/Sub/deep", 100);
        Temp.MakeFile("drive/Other/x", 5000);
        MakeForm();
    }

    // Runs the command; `inside` acts on the bar chart window once it is up.
    void RunCommand(const std::function<void(TBarChartBox&)>& inside) {
        TBarChartBox* box = Form->BarChartBox();
        QTimer::singleShot(0, box, [box, inside] {
            if (QApplication::activeModalWidget() == box)
                inside(*box);
        });
        Action("cmdViewBarChart")->trigger();
    }

    int RowOf(const TBarChartBox& box, const std::string& path) const {
        for (int row = 0; row < box.RowCount(); ++row)
            if (NodePath(box.RowNode(row)) == path)
                return row;
        return -1;
    }

    TModalCloser Closer;
};

TEST_F(BarChartCommandTest, TheFolderChosenInTheChartBecomesTheSelection) {
    Form->Session().ScanOrRescanDrive(Root);
    Select("");
    QString caption;
    int rows = 0;
    RunCommand([&](TBarChartBox& box) {
        caption = box.windowTitle();
        rows = box.RowCount();
        box.BarList->setCurrentIndex(
            box.BarList->model()->index(RowOf(box, Root + "/Temp/Sub"), 0));
        QTest::keyClick(box.BarList, Qt::Key_Return);
    });
    EXPECT_EQ(caption, QStringLiteral("Tree Bar Chart - ") + QString::fromStdString(Root));
    EXPECT_EQ(rows, 4); // the drive, Other, Temp and Temp/Sub
    EXPECT_EQ(Form->CurrentPath(), Root + "/Temp/Sub");
    EXPECT_FALSE(Form->BarChartBox()->isVisible());
    EXPECT_EQ(Form->BarChartBox()->RowCount(), 0);
}

TEST_F(BarChartCommandTest, EscapeLeavesTheSelectionAlone) {
    Form->Session().ScanOrRescanDrive(Root);
    Select("Temp");
    int rows = 0;
    RunCommand([&](TBarChartBox& box) {
        rows = box.RowCount();
        box.BarList->setCurrentIndex(box.BarList->model()->index(1, 0));
        QTest::keyClick(box.BarList, Qt::Key_Escape);
    });
    EXPECT_EQ(rows, 2); // Temp and Temp/Sub
    EXPECT_EQ(Form->CurrentPath(), Root + "/Temp");
}

TEST_F(BarChartCommandTest, NoWindowForAFolderWithoutFigures) {
    bool opened = false;
    QTimer::singleShot(0, Form.get(),
                       [&] { opened = QApplication::activeModalWidget() == Form->BarChartBox(); });
    // The short-cut reaches the command even though the View menu would
    // have disabled it.
    Action("cmdViewBarChart")->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    emit Menu("mnuView")->aboutToShow();
    EXPECT_FALSE(Action("cmdViewBarChart")->isEnabled());
}

} // namespace
