// Moving a folder from a real window: Ctrl+M on the clean-up page opens the
// dialog on the current folder, a refused target keeps it open, an accepted
// one moves the folder in the progress window, and the tree follows, also
// when part of the folder could not be removed.
#include "main/WindowTest.h"

#include "common/TmpfsMount.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "engine/ScopeExit.h"
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

#include <fcntl.h>
#include <functional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

class MoveFolderWindowTest : public TWindowTest {
protected:
    // Opens the dialog on the current folder with Ctrl+M and runs `answer`
    // on it while it is shown.
    void MoveCurrent(const std::function<void(TCleanUpMoveFolderBox&)>& answer) {
        Form->ShowPage(PageCleanUp);
        bool shown = false;
        QTimer::singleShot(0, Form.get(), [&] {
            auto* box = qobject_cast<TCleanUpMoveFolderBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = true;
            answer(*box);
        });
        QTest::keyClick(Form.get(), Qt::Key_M, Qt::ControlModifier);
        EXPECT_TRUE(shown);
    }
};

// An immutable file cannot be removed even by root.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
}

TEST_F(MoveFolderWindowTest, MovesTheFolderBesideItAndTakesItOffTheTree) {
    MakeDrive();
    Temp.MakeFile("drive/data/Photos/a.jpg", 5000);
    Temp.MakeFile("drive/data/Photos/trip/b.jpg", 7000);
    Temp.MakeFile("drive/data/keep.txt", 100);
    Temp.MakeDir("drive/Archive");
    MakeForm();
    Form->resize(1000, 700);
    Form->show();
    Form->Session().ScanOrRescanDrive(Root);
    Select("data/Photos");
    // The wasted space the dialog names is the one the pages show.
    emit Widget<QComboBox>("ClustersBox")->activated(7);
    const std::int64_t shownWaste = ShownTreeWasted(*Node("data/Photos")->Data, 7);
    const std::int64_t dataBefore = Node("data")->Data->TreeSize;
    Boxes.Answer(QMessageBox::Ok); // the refusal
    bool progressSeen = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (qobject_cast<TMoveProgressBox*>(QApplication::activeModalWidget()))
            progressSeen = true;
    });
    watch.start();
    MoveCurrent([&](TCleanUpMoveFolderBox& box) {
        EXPECT_EQ(box.SourcePath(), Root + "/data/Photos");
        EXPECT_TRUE(box.txtWastedOnSource->text().contains(FormatSize(shownWaste)));
        // A folder of that name is there already: nothing is touched, and
        // the user may choose again.
        box.ediFolderTarget->setText(DisplayPath(Root + "/Archive"));
        box.cmdOK->click();
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Rejected);
        box.ediFolderTarget->setText(DisplayPath(Root + "/Archive/Photos"));
        box.cmdOK->click();
    });
    watch.stop();

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

// Where the test may mount a RAM disk and mark a file immutable (as root): a
// move to another file system whose source keeps a file that cannot be
// removed. The copy is whole, the user reads what stayed, and the tree reads
// the folder again so that it holds what is really left.
TEST_F(MoveFolderWindowTest, AMoveThatLeavesAFileBehindSaysWhichAndRereadsTheFolder) {
    MakeDrive();
    Temp.MakeFile("drive/data/Photos/a.jpg", 5000);
    Temp.MakeFile("drive/data/Photos/stuck.jpg", 3000);
    Temp.MakeDir("ram");
    TTmpfsMount ram(Temp.Path("ram"));
    if (!ram.Mounted())
        GTEST_SKIP() << ram.Why();
    const std::string stuck = Temp.Path("drive/data/Photos/stuck.jpg");
    if (!SetImmutable(stuck, true))
        GTEST_SKIP() << "cannot mark a file immutable here";
    const TScopeExit unstick([&] { SetImmutable(stuck, false); });
    MakeForm();
    Form->resize(1000, 700);
    Form->show();
    Form->Session().ScanOrRescanDrive(Root);
    Select("data/Photos");
    const std::int64_t dataBefore = Node("data")->Data->TreeSize;

    Boxes.Answer(QMessageBox::Ok);
    MoveCurrent([&](TCleanUpMoveFolderBox& box) {
        box.ediFolderTarget->setText(DisplayPath(Temp.Path("ram/Photos")));
        box.cmdOK->click();
    });

    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Kind, TMessageKind::Error);
    EXPECT_TRUE(Boxes.Shown()[0].Details.contains(DisplayPath(stuck)));
    EXPECT_EQ(FileSizeOf(Temp.Path("ram/Photos/a.jpg")), 5000);
    EXPECT_EQ(FileSizeOf(Temp.Path("ram/Photos/stuck.jpg")), 3000);
    EXPECT_FALSE(PathExists(Temp.Path("drive/data/Photos/a.jpg")));
    ASSERT_NE(Node("data/Photos"), nullptr);
    EXPECT_EQ(Node("data/Photos")->Data->TreeSize, 3000);
    EXPECT_EQ(Node("data")->Data->TreeSize, dataBefore - 5000);
}

} // namespace
