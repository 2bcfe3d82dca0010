// Moving a folder from a real window: Ctrl+M on the clean-up page opens the
// dialog on the current folder, a refused target keeps it open, an accepted
// one moves the folder in the progress window, and the tree loses the folder
// and its figures.
#include "main/WindowTest.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "shell/ShellPaths.h"
#include "ui/cleanup/CleanUpMoveFolderBox.h"
#include "ui/cleanup/MoveProgressBox.h"
#include "ui/main/MainForm.h"
#include "ui/main/PageHost.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MoveFolderWindowTest : public TWindowTest {};

TEST_F(MoveFolderWindowTest, MovesTheFolderBesideItAndTakesItOffTheTree) {
    MakeDrive();
    Temp.MakeFile("drive/data/Photos/a.jpg", 5000);
    Temp.MakeFile("drive/data/Photos/trip/b.jpg", 7000);
    Temp.MakeFile("drive/data/keep.txt", 100);
    Temp.MakeDir("drive/Archive");
    MakeForm();
    Form->resize(1000, 700);
    Form->show();
    Form->ScanOrRescanDrive(Root);
    Select("data/Photos");
    // The wasted space the dialog names is the one the pages show.
    Form->ClustersBoxChange(7);
    const std::int64_t shownWaste = ShownTreeWasted(*Node("data/Photos")->Data, 7);
    const std::int64_t dataBefore = Node("data")->Data->TreeSize;
    Form->ShowPage(PageCleanUp);

    Boxes.Answer(QMessageBox::Ok); // the refusal
    bool dialogSeen = false;
    bool progressSeen = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (qobject_cast<TMoveProgressBox*>(QApplication::activeModalWidget()))
            progressSeen = true;
    });
    watch.start();
    QTimer::singleShot(0, Form.get(), [&] {
        auto* box = qobject_cast<TCleanUpMoveFolderBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        dialogSeen = true;
        EXPECT_EQ(box->SourcePath(), Root + "/data/Photos");
        EXPECT_TRUE(box->txtWastedOnSource->text().contains(FormatSize(shownWaste)));
        // A folder of that name is there already: nothing is touched, and
        // the user may choose again.
        box->ediFolderTarget->setText(DisplayPath(Root + "/Archive"));
        box->cmdOK->click();
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->result(), QDialog::Rejected);
        box->ediFolderTarget->setText(DisplayPath(Root + "/Archive/Photos"));
        box->cmdOK->click();
    });
    QTest::keyClick(Form.get(), Qt::Key_M, Qt::ControlModifier);
    watch.stop();

    EXPECT_TRUE(dialogSeen);
    EXPECT_TRUE(progressSeen);
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_TRUE(PathExists(Root + "/data/keep.txt"));
    EXPECT_FALSE(PathExists(Root + "/data/Photos"));
    EXPECT_EQ(FileSizeOf(Root + "/Archive/Photos/trip/b.jpg"), 7000);
    EXPECT_EQ(FileSizeOf(Root + "/Archive/Photos/a.jpg"), 5000);
    // The tree follows: the folder is gone from it and from its parent's
    // figures, and the parent is current.
    EXPECT_EQ(Node("data/Photos"), nullptr);
    EXPECT_EQ(Node("data")->Data->TreeSize, dataBefore - 12000);
    EXPECT_EQ(Form->CurrentNode(), Node("data"));
}

} // namespace
