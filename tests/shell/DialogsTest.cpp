// The folder browse dialog, the About box, the help window and icons.
#include "common/TempTree.h"
#include "shell/AboutBox.h"
#include "shell/DriveLists.h"
#include "shell/FolderBrowse.h"
#include "shell/HelpWindow.h"
#include "shell/Icons.h"
#include "shell/URL.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Chooses a folder in the dialog once it is open; an empty folder cancels.
void AnswerBrowse(QObject* context, const QString& folder, QString* instruction = nullptr) {
    QTimer::singleShot(0, context, [folder, instruction] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (instruction) {
            // Shown above the folders, not only in the title bar.
            auto* label = dialog->findChild<QLabel*>(QStringLiteral("lblInstruction"));
            *instruction = label && label->isVisible() ? label->text() : QString();
        }
        if (folder.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(folder);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

TEST(FolderBrowse, ReturnsTheChosenFolderAndKeepsItOnCancel) {
    TTempTree tree;
    tree.MakeDir("pick me");
    QWidget owner;
    TFolderBrowse browse;
    browse.Title = QStringLiteral("Select the folder you want to analyze. If the folder has not "
                                  "been scanned, it will be scanned now.");
    browse.Folder = QString::fromStdString(tree.Root());
    QString instruction;
    AnswerBrowse(&owner, QString::fromStdString(tree.Path("pick me")), &instruction);
    EXPECT_TRUE(browse.Execute(&owner));
    EXPECT_EQ(instruction, browse.Title);
    EXPECT_EQ(browse.Folder, QString::fromStdString(tree.Path("pick me")));

    AnswerBrowse(&owner, QString());
    EXPECT_FALSE(browse.Execute(&owner));
    EXPECT_EQ(browse.Folder, QString::fromStdString(tree.Path("pick me")));
}

TEST(FolderBrowse, ADriveRootCanBeChosen) {
    QWidget owner;
    TFolderBrowse browse;
    AnswerBrowse(&owner, QStringLiteral("/"));
    EXPECT_TRUE(browse.Execute(&owner));
    EXPECT_EQ(browse.Folder, QStringLiteral("/"));
}

TEST(FolderBrowse, SideBarShowsItsNamesWhole) {
    // A short home folder (what Qt sizes its side bar for) and a drive with
    // a long name.
    TTempTree tree;
    tree.MakeDir("h");
    tree.MakeDir("a drive with a rather long name");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(tree.Path("h")));
    TDriveSourceOverride drives([&tree] {
        std::vector<Platform::TDrive> list(1);
        list[0].RootPath = list[0].DisplayName = tree.Path("a drive with a rather long name");
        list[0].Type = Platform::TDriveType::Fixed;
        return list;
    });
    QWidget owner;
    TFolderBrowse browse;
    int shown = 0;
    int clipped = 0;
    // Later than the dialog's own start-up work.
    QTimer::singleShot(100, &owner, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* side = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
        ASSERT_NE(side, nullptr);
        for (int row = 0; row < side->model()->rowCount(); ++row, ++shown)
            clipped += side->sizeHintForIndex(side->model()->index(row, 0)).width() >
                       side->viewport()->width();
        dialog->reject();
    });
    browse.Execute(&owner);
    qputenv("HOME", oldHome);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(clipped, 0);
}

TEST(AboutBox, ShowsTheBuildAndSwitchesPagesWithF2) {
    QWidget main;
    main.resize(800, 600);
    TAboutBox box(&main);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quillmere"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(TAboutBox::Version())
                    .hasMatch());
    auto* build = box.findChild<QLabel*>(QStringLiteral("txtBuild"));
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(build->text(), QStringLiteral("Build ") + TAboutBox::Version());
    EXPECT_TRUE(build->alignment() & Qt::AlignRight);
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("txtEdition"))->text(),
              QStringLiteral("Campus Edition"));
    EXPECT_EQ(box.urlProduct->URLType, utHttp);

    EXPECT_EQ(box.CurrentPage(), 0);
    QTest::keyClick(&box, Qt::Key_F2);
    EXPECT_EQ(box.CurrentPage(), 1);
    box.findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    EXPECT_EQ(box.CurrentPage(), 0);
}

TEST(AboutBox, SupportOpensTheSupportTopic) {
    TAboutBox box;
    box.findChild<QPushButton*>(QStringLiteral("cmdSupport"))->click();
    auto* help = ShowHelp(HelpSupport);
    EXPECT_EQ(help->Browser()->source(), HelpTopicUrl(HelpSupport));
    help->close();
}

TEST(HelpWindow, ContextNumbersOpenTheirTopics) {
    EXPECT_EQ(HelpTopicUrl(HelpOptions), QUrl(QStringLiteral("qrc:/help/options.html")));
    EXPECT_EQ(HelpTopicUrl(HelpFileMenu), QUrl(QStringLiteral("qrc:/help/scanning.html")));
    EXPECT_EQ(HelpTopicUrl(987654), HelpTopicUrl(HelpContents));
    THelpWindow* window = ShowHelp(HelpOptions);
    EXPECT_EQ(window->Browser()->documentTitle(), QStringLiteral("Options"));
    // One window, moved to the new topic.
    EXPECT_EQ(ShowHelp(HelpDrives), window);
    EXPECT_EQ(window->Browser()->documentTitle(), QStringLiteral("Choosing drives to scan"));
    window->close();
}

TEST(HelpWindow, EveryTopicAndEveryLinkBetweenThemExists) {
    for (int context :
         {HelpContents, HelpFileMenu, HelpDrives, HelpViewMenu, HelpToolsMenu, HelpHelpMenu,
          HelpOptions, HelpSupport, HelpWastedFolder, HelpWastedDrive}) {
        QString file = QLatin1Char(':') + HelpTopicUrl(context).path();
        QFile page(file);
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << file.toStdString();
        QString html = QString::fromUtf8(page.readAll());
        QRegularExpression link(QStringLiteral("href=\"([a-z]+\\.(html|css))\""));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            QString target = QStringLiteral(":/help/") + it.next().captured(1);
            EXPECT_TRUE(QFile::exists(target))
                << target.toStdString() << " in " << file.toStdString();
        }
    }
}

TEST(Icons, ThemeIconsOrTheStyleFallback) {
    for (const QIcon& icon : {FolderIcon(), FileIcon()})
        EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    // No dashes: a theme looks up "a-b-c" as "a-b", then "a", and Quillmere's
    // own icon, once installed, is "quillmere".
    QIcon missing = ThemeIcon("zqnosuchiconzq", QStyle::SP_DirIcon);
    EXPECT_EQ(missing.pixmap(16, 16).toImage(),
              QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(16, 16).toImage());
    EXPECT_TRUE(QIcon::themeSearchPaths().contains(QStringLiteral("/usr/share/icons")));
}

} // namespace
