// The item context menu: its commands on real files, the Delete question,
// and the menu shown and answered from the keyboard.
#include "shell/ItemContextMenu.h"
#include "common/HangFsMount.h"
#include "common/TempTree.h"
#include "common/Watchdog.h"
#include "engine/Formatting.h"
#include "shell/ItemProperties.h"
#include "shell/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

QStringList Captions(const TItemContextMenu& menu) {
    QStringList captions;
    for (QAction* action : menu.Menu()->actions()) {
        if (!action->isSeparator())
            captions << action->text();
    }
    return captions;
}

TEST(ItemContextMenu, OffersTheSixCommandsInOrder) {
    TTempTree tree;
    tree.MakeFile("f", 1);
    TItemContextMenu menu(tree.Path("f"), nullptr);
    EXPECT_EQ(Captions(menu), QStringList({"&Open", "Show in File &Manager", "&Copy Path",
                                           "P&roperties", "Send To &Trash", "&Delete"}));
    EXPECT_EQ(menu.CommandOf(menu.ActionOf(TItemContextMenu::cmDelete)),
              TItemContextMenu::cmDelete);
    EXPECT_EQ(menu.CommandOf(nullptr), TItemContextMenu::cmNone);
    EXPECT_TRUE(menu.ActionOf(TItemContextMenu::cmTrash)->isEnabled());
}

TEST(ItemContextMenu, ProtectedItemsCannotBeRemovedFromIt) {
    TItemContextMenu menu("/usr/", nullptr);
    EXPECT_FALSE(menu.ActionOf(TItemContextMenu::cmTrash)->isEnabled());
    EXPECT_FALSE(menu.ActionOf(TItemContextMenu::cmDelete)->isEnabled());
    // Not even asked: the refusal is the only box.
    TMessageBoxScript script;
    EXPECT_FALSE(menu.Run(TItemContextMenu::cmDelete));
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Kind, TMessageKind::Error);
}

TEST(ItemContextMenu, CopyPathKeepsTheExactBytes) {
    TTempTree tree;
    tree.MakeFile("caf\xe9 1", 1);
    TItemContextMenu menu(tree.Path("caf\xe9 1"), nullptr);
    EXPECT_TRUE(menu.Run(TItemContextMenu::cmCopyPath));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QString::fromStdString(tree.Root()) + QStringLiteral("/caf\uFFFD 1"));
    QByteArray uri = data->data(QStringLiteral("text/uri-list")).trimmed();
    EXPECT_TRUE(uri.endsWith("/caf%E9%201")) << uri.constData();
    EXPECT_EQ(QByteArray::fromPercentEncoding(uri.mid(7)).toStdString(), tree.Path("caf\xe9 1"));
}

TEST(ItemContextMenu, DeleteAsksNamingItemAndSizeAndNoKeepsIt) {
    TTempTree tree;
    tree.MakeFile("big folder/a", 3000);
    tree.MakeFile("big folder/sub/b", 2000);
    TItemContextMenu menu(tree.Path("big folder"), nullptr);
    TMessageBoxScript script;
    script.Answer(QMessageBox::No);
    EXPECT_FALSE(menu.Run(TItemContextMenu::cmDelete));
    EXPECT_TRUE(Exists(tree.Path("big folder/sub/b")));
    ASSERT_EQ(script.Shown().size(), 1u);
    const TShownMessage& asked = script.Shown()[0];
    EXPECT_EQ(asked.Kind, TMessageKind::Confirmation);
    EXPECT_NE(asked.Text.indexOf(QStringLiteral("\"big folder\"")), -1);
    EXPECT_NE(asked.Text.indexOf(FormatSize(5000)), -1) << asked.Text.toStdString();
    // A folder of empty files is no "0 bytes" matter: the count is named.
    EXPECT_NE(asked.Text.indexOf(QStringLiteral("2 files and 1 folder")), -1)
        << asked.Text.toStdString();
    EXPECT_NE(asked.Text.indexOf(QString::fromStdString(tree.Root())), -1);
}

TEST(ItemContextMenu, DeleteWithYesRemovesAndUsesTheScannedSize) {
    TTempTree tree;
    tree.MakeFile("doomed/a", 10);
    TItemContextMenu menu(tree.Path("doomed"), nullptr,
                          TKnownItem{7LL * 1024 * 1024 * 1024, 1, 0, {}});
    TMessageBoxScript script;
    script.Answer(QMessageBox::Yes);
    EXPECT_TRUE(menu.Run(TItemContextMenu::cmDelete));
    EXPECT_FALSE(Exists(tree.Path("doomed")));
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_NE(script.Shown()[0].Text.indexOf(FormatSize(7LL * 1024 * 1024 * 1024)), -1);
}

TEST(ItemContextMenu, DeleteTellsWhatWasLeftBehind) {
    TTempTree tree;
    tree.MakeFile("doomed/stuck", 1);
    tree.MakeFile("doomed/free", 1);
    std::string stuck = "'" + tree.Path("doomed/stuck") + "'";
    if (std::system(("chattr +i " + stuck + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i is not available here";
    TItemContextMenu menu(tree.Path("doomed"), nullptr);
    TMessageBoxScript script;
    script.Answer(QMessageBox::Yes);
    bool ran = menu.Run(TItemContextMenu::cmDelete);
    std::system(("chattr -i " + stuck).c_str());
    EXPECT_TRUE(ran);
    EXPECT_FALSE(Exists(tree.Path("doomed/free")));
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[1].Kind, TMessageKind::Error);
    EXPECT_NE(script.Shown()[1].Details.indexOf(QStringLiteral("doomed/stuck")), -1);
}

TEST(ItemContextMenu, TrashMovesTheItemAndAFailureIsExplained) {
    TTempTree tree;
    tree.MakeFile("trash me", 5);
    TItemContextMenu menu(tree.Path("trash me"), nullptr);
    TMessageBoxScript script;
    EXPECT_TRUE(menu.Run(TItemContextMenu::cmTrash));
    EXPECT_FALSE(Exists(tree.Path("trash me")));
    EXPECT_TRUE(script.Shown().empty());

    // Gone by now: the second attempt fails and says so.
    EXPECT_FALSE(menu.Run(TItemContextMenu::cmTrash));
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_NE(script.Shown()[0].Text.indexOf(QStringLiteral("could not be moved to the Trash")),
              -1);
}

// On a share whose server has gone the menu's checks get their time and no
// more: the window's thread comes back, every command that needs the drive
// says it does not answer, and nothing is removed. On the share's live part
// the same checks, made on a background job, answer as they do locally.
TEST(ItemContextMenu, AShareThatStopsAnsweringDoesNotHoldTheWindow) {
    THangFsMount share;
    if (!share.Mounted())
        GTEST_SKIP() << share.Why();
    TWatchdog watchdog(std::chrono::seconds(120), "the item menu on a dead share");
    TMessageBoxScript script;

    TItemContextMenu live(share.Root() + "/live", nullptr);
    EXPECT_TRUE(live.ActionOf(TItemContextMenu::cmDelete)->isEnabled());
    script.Answer(QMessageBox::No);
    EXPECT_FALSE(live.Run(TItemContextMenu::cmDelete));
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_NE(script.Shown()[0].Text.indexOf(FormatSize(5000)), -1)
        << script.Shown()[0].Text.toStdString();
    EXPECT_TRUE(Exists(share.Root() + "/live/a.bin"));

    const std::string dead = share.Root() + "/stuck/dead";
    TItemContextMenu menu(dead, nullptr);
    EXPECT_FALSE(menu.ActionOf(TItemContextMenu::cmTrash)->isEnabled());
    EXPECT_FALSE(menu.ActionOf(TItemContextMenu::cmDelete)->isEnabled());
    for (const TItemContextMenu::TCommand command :
         {TItemContextMenu::cmOpen, TItemContextMenu::cmShowInFileManager,
          TItemContextMenu::cmProperties, TItemContextMenu::cmTrash, TItemContextMenu::cmDelete})
        EXPECT_FALSE(menu.Run(command)) << command;
    // Properties from the pages, without a menu, are bounded as well.
    EXPECT_FALSE(ShowItemProperties(dead, nullptr));
    ASSERT_EQ(script.Shown().size(), 7u);
    for (std::size_t i = 1; i < script.Shown().size(); ++i) {
        EXPECT_EQ(script.Shown()[i].Kind, TMessageKind::Error);
        EXPECT_NE(script.Shown()[i].Text.indexOf(QStringLiteral("does not answer")), -1)
            << script.Shown()[i].Text.toStdString();
    }
}

// Presses keys in the menu once it is open.
void AnswerMenu(QObject* context, std::vector<int> keys) {
    QTimer::singleShot(50, context, [keys] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        for (int key : keys)
            QTest::keyClick(popup, static_cast<Qt::Key>(key));
    });
}

TEST(ItemContextMenu, EscapeRunsNothing) {
    TTempTree tree;
    tree.MakeFile("f", 1);
    QWidget owner;
    AnswerMenu(&owner, {Qt::Key_Escape});
    EXPECT_FALSE(ShowItemContextMenu(tree.Path("f"), &owner, QPoint(10, 10)));
    EXPECT_TRUE(Exists(tree.Path("f")));
}

TEST(ItemContextMenu, ACommandChosenInTheMenuIsCarriedOut) {
    TTempTree tree;
    tree.MakeFile("f", 1);
    QWidget owner;
    QApplication::clipboard()->clear();
    AnswerMenu(&owner, {Qt::Key_C}); // the accelerator of "&Copy Path"
    EXPECT_TRUE(ShowItemContextMenu(tree.Path("f"), &owner, QPoint(10, 10)));
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdString(tree.Path("f")));
}

TEST(MeasureItem, AddsFilesBelowAFolderWithoutFollowingLinks) {
    TTempTree tree;
    TTempTree outside;
    outside.MakeFile("huge", 1 << 20);
    tree.MakeFile("d/a", 100);
    tree.MakeFile("d/e/b", 23);
    tree.MakeSymlink(outside.Path("huge"), "d/link");
    std::int64_t linkSize = static_cast<std::int64_t>(outside.Path("huge").size());
    EXPECT_EQ(MeasureItem(tree.Path("d")).Size, 123 + linkSize);
    EXPECT_EQ(MeasureItem(tree.Path("d/a")).Size, 100);
    EXPECT_EQ(MeasureItem(tree.Path("missing")).Size, 0);
}

} // namespace
