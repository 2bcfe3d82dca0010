// The properties dialog, read from real files with odd names.
#include "shell/ItemProperties.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"

#include <QApplication>
#include <QDialog>
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

TEST(ItemProperties, FoldersLinksAndDriveRoots) {
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

    TItemPropertiesBox root("/");
    EXPECT_TRUE(root.Valid());
    EXPECT_EQ(root.RowText(QStringLiteral("Drive:")), QStringLiteral("/"));
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
