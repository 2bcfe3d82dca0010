// The properties dialog, read from real files with odd names, and on drive
// roots from a RAM disk the test mounts.
#include "shell/ItemProperties.h"
#include "common/TempTree.h"
#include "common/TmpfsMount.h"
#include "engine/Formatting.h"
#include "platform/Mounts.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(ItemProperties, FileFactsFromTheRawPath) {
    TTempTree tree;
    std::string name = "notes-caf\xe9.txt";
    {
        std::ofstream out(tree.Path(name), std::ios::binary);
        out << "Plain words in a text file.\n";
    }
    chmod(tree.Path(name).c_str(), 0640);
    TItemPropertiesBox box(tree.Path(name));
    ASSERT_TRUE(box.Valid());
    EXPECT_NE(box.RowText(QStringLiteral("Type:")).indexOf(QStringLiteral("text/plain")), -1)
        << box.RowText(QStringLiteral("Type:")).toStdString();
    EXPECT_EQ(box.RowText(QStringLiteral("Location:")), QString::fromStdString(tree.Root()));
    EXPECT_NE(box.RowText(QStringLiteral("Size:")).indexOf(FormatBytes(28)), -1);
    EXPECT_EQ(box.RowText(QStringLiteral("Permissions:")), QStringLiteral("rw-r----- (0640)"));
    // The test made the file, so it belongs to whoever runs the test.
    const QString owner = box.RowText(QStringLiteral("Owner:"));
    EXPECT_TRUE(owner.contains(QString::number(geteuid()))) << owner.toStdString();
    if (const passwd* user = getpwuid(geteuid())) {
        EXPECT_TRUE(owner.contains(QString::fromLocal8Bit(user->pw_name))) << owner.toStdString();
    }
    EXPECT_FALSE(box.RowText(QStringLiteral("Modified:")).isEmpty());
    EXPECT_NE(box.windowTitle().indexOf(QStringLiteral("notes-caf")), -1);
}

TEST(ItemProperties, PathsLongerThanTheKernelLimit) {
    // 300 folders of 20 bytes: about 6,300 bytes of path.
    TTempTree tree;
    const std::string part(20, 'p');
    int fd = open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    std::string path = tree.Root();
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        path += "/" + part;
    }
    const int file = openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(file, "abc", 3), 3);
    close(file);
    close(fd);
    TItemPropertiesBox box(path + "/deep.txt");
    ASSERT_TRUE(box.Valid());
    EXPECT_NE(box.RowText(QStringLiteral("Size:")).indexOf(FormatBytes(3)), -1);
    TItemPropertiesBox folder(path);
    ASSERT_TRUE(folder.Valid());
    EXPECT_EQ(folder.RowText(QStringLiteral("Contains:")), QStringLiteral("1 item"));
}

TEST(ItemProperties, FoldersAndLinks) {
    TTempTree tree;
    tree.MakeFile("dir/a", 1);
    tree.MakeFile("dir/b", 1);
    tree.MakeDir("dir/c");
    tree.MakeSymlink("dir/a", "link");
    TItemPropertiesBox folder(tree.Path("dir") + "/");
    EXPECT_EQ(folder.RowText(QStringLiteral("Type:")), QStringLiteral("Folder"));
    EXPECT_EQ(folder.RowText(QStringLiteral("Contains:")), QStringLiteral("3 items"));
    EXPECT_TRUE(folder.RowText(QStringLiteral("Size:")).isEmpty());
    TItemPropertiesBox scanned(tree.Path("dir"), nullptr, 123456789);
    EXPECT_NE(scanned.RowText(QStringLiteral("Size:")).indexOf(FormatBytes(123456789)), -1);

    TItemPropertiesBox link(tree.Path("link"));
    EXPECT_EQ(link.RowText(QStringLiteral("Type:")), QStringLiteral("Symbolic link"));
    EXPECT_EQ(link.RowText(QStringLiteral("Link to:")), QStringLiteral("dir/a"));
}

QString SizeText(std::int64_t size) {
    return FormatSize(size) + QStringLiteral(" (") + FormatBytes(size) + QLatin1Char(')');
}

// A drive's root, however the caller spells it, shows the drive: its name as
// the drive lists give it, its file system, and figures that match what the
// test put on it. A folder on the drive keeps the folder page, and once the
// drive is unmounted its root is a plain folder again.
TEST(ItemProperties, DriveRootsShowTheDrive) {
    // The root file system is a drive wherever the test runs.
    TItemPropertiesBox system("/");
    ASSERT_TRUE(system.Valid());
    EXPECT_EQ(system.RowText(QStringLiteral("Root path:")), QStringLiteral("/"));
    // The entry points into the table, which must outlive it.
    const auto mounts = Platform::ReadMountTable();
    const Platform::TMountEntry* rootMount = Platform::MountEntryOf("/", mounts);
    ASSERT_NE(rootMount, nullptr);
    EXPECT_EQ(system.RowText(QStringLiteral("File system:")),
              QString::fromStdString(rootMount->FsType));
    EXPECT_FALSE(system.RowText(QStringLiteral("Capacity:")).isEmpty());

    TTempTree tree;
    tree.MakeDir("scratch");
    const std::string root = tree.Path("scratch");
    TTmpfsMount disk(root, "size=8m");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why();
    constexpr std::int64_t capacity = 8 << 20;
    constexpr std::int64_t written = 1 << 20;
    {
        // Real bytes: a sparse file would take no space on the RAM disk.
        std::ofstream out(root + "/data.bin", std::ios::binary);
        const std::string block(4096, 'q');
        for (std::int64_t done = 0; done < written; done += 4096)
            out << block;
    }
    tree.MakeDir("scratch/sub");

    const QString name = QString::fromStdString(Platform::DriveDisplayName(root, {}));
    TItemPropertiesBox drive(root + "/");
    ASSERT_TRUE(drive.Valid());
    const auto* title = drive.findChild<QLabel*>(QStringLiteral("txtName"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), name);
    EXPECT_TRUE(drive.windowTitle().startsWith(name));
    EXPECT_EQ(drive.RowText(QStringLiteral("Root path:")), QString::fromStdString(root));
    EXPECT_EQ(drive.RowText(QStringLiteral("File system:")), QStringLiteral("tmpfs"));
    // A tmpfs allocates whole memory pages.
    EXPECT_EQ(drive.RowText(QStringLiteral("Cluster size:")), FormatBytes(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(drive.RowText(QStringLiteral("Capacity:")), SizeText(capacity));
    EXPECT_EQ(drive.RowText(QStringLiteral("Used space:")), SizeText(written));
    EXPECT_EQ(drive.RowText(QStringLiteral("Free space:")), SizeText(capacity - written));
    const auto* bar = drive.findChild<QProgressBar*>(QStringLiteral("barUsed"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 12); // one eighth, in whole percents

    TItemPropertiesBox folder(root + "/sub");
    EXPECT_TRUE(folder.RowText(QStringLiteral("Root path:")).isEmpty());
    EXPECT_EQ(folder.RowText(QStringLiteral("Location:")), QString::fromStdString(root));
    EXPECT_EQ(folder.RowText(QStringLiteral("Drive:")), QString::fromStdString(root));

    // As the windows open it: modally, by a path with a doubled slash.
    QString shownFileSystem;
    QTimer::singleShot(0, &drive, [&] {
        if (auto* box = qobject_cast<TItemPropertiesBox*>(QApplication::activeModalWidget())) {
            shownFileSystem = box->RowText(QStringLiteral("File system:"));
            box->reject();
        }
    });
    EXPECT_TRUE(ShowItemProperties(root + "//", nullptr));
    EXPECT_EQ(shownFileSystem, QStringLiteral("tmpfs"));

    ASSERT_TRUE(disk.Unmount()) << disk.Why();
    TItemPropertiesBox unmounted(root);
    ASSERT_TRUE(unmounted.Valid());
    EXPECT_TRUE(unmounted.RowText(QStringLiteral("Root path:")).isEmpty());
    EXPECT_EQ(unmounted.RowText(QStringLiteral("Location:")), QString::fromStdString(tree.Root()));
}

TEST(ItemProperties, AMissingItemShowsNothing) {
    TTempTree tree;
    TItemPropertiesBox box(tree.Path("gone"));
    EXPECT_FALSE(box.Valid());
    EXPECT_FALSE(ShowItemProperties(tree.Path("gone"), nullptr));
}

TEST(ItemProperties, ShowRunsTheDialogModally) {
    TTempTree tree;
    tree.MakeFile("f", 10);
    QWidget owner;
    owner.resize(800, 600);
    bool seen = false;
    QTimer::singleShot(0, &owner, [&] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = box->objectName() == QStringLiteral("ItemPropertiesBox");
            box->reject();
        }
    });
    EXPECT_TRUE(ShowItemProperties(tree.Path("f"), &owner));
    EXPECT_TRUE(seen);
}

} // namespace
