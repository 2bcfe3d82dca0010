// The user's tools in the Tools menu of a real window: read from the user's
// TOOLS.INI each time the menu opens, started on the current folder, and a
// tool that cannot start reported.
#include "WindowTest.h"
#include "common/TempTree.h"
#include "engine/Formatting.h"
#include "shell/MessageBox.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ToolsMenuTest : public TWindowTest {
protected:
    void SetUp() override {
        Saved = qgetenv("XDG_CONFIG_HOME");
        Temp.MakeDir("config/Fenwright");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Temp.Path("config")));
        ToolsFile = Temp.Path("config/Fenwright/TOOLS.INI");
        MakeDrive();
    }
    void TearDown() override {
        TWindowTest::TearDown();
        qputenv("XDG_CONFIG_HOME", Saved);
    }

    // The items after LT1, as the menu holds them once it has opened.
    QList<QAction*> OpenToolsMenu() {
        emit Menu("mnuTools")->aboutToShow();
        const QList<QAction*> items = Menu("mnuTools")->actions();
        const qsizetype separator = items.indexOf(Action("LT1"));
        EXPECT_GE(separator, 0);
        return items.mid(separator + 1);
    }

    QByteArray Saved;
    std::string ToolsFile;
};

TEST_F(ToolsMenuTest, ToolsRunOnTheCurrentFolderAndFollowEditsOfTheFile) {
    // A tool in a folder with a blank in its name, which writes down where it
    // runs and what it was given, one line each.
    Temp.MakeDir("my tools");
    const std::string script = Temp.Path("my tools/record args.sh");
    const std::string output = Temp.Path("args.txt");
    WriteFile(script,
              "#!/bin/sh\n{ echo \"$#\"; pwd -P; for a in \"$@\"; do echo \"$a\"; done; } > '" +
                  output + ".part' && mv '" + output + ".part' '" + output + "'\n");
    chmod(script.c_str(), 0755);
    WriteFile(ToolsFile, "# the user's tools\n"
                         "&Record, \"Writes down its arguments\", \"" +
                             script +
                             "\"\n"
                             "Missing \"Is not there\" /nonexistent/quill-tool\n");

    Temp.MakeDir("drive/my folder");
    Temp.MakeFile("drive/my folder/data", 1000);
    MakeForm();
    Form->Session().ScanOrRescanDrive(Root);
    Select("my folder");

    QList<QAction*> tools = OpenToolsMenu();
    ASSERT_EQ(tools.size(), 2);
    EXPECT_EQ(tools[0]->text(), QStringLiteral("&Record"));
    EXPECT_EQ(tools[0]->statusTip(), QStringLiteral("Writes down its arguments"));
    EXPECT_EQ(tools[1]->text(), QStringLiteral("Missing"));
    EXPECT_TRUE(Action("LT1")->isVisible());

    tools[0]->trigger();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(QString::fromStdString(output)); }, 10000))
        << "the tool did not run";
    const std::string folder =
        QFileInfo(QString::fromStdString(Temp.Path("my tools"))).canonicalFilePath().toStdString();
    EXPECT_EQ(ReadFile(output), "1\n" + folder + "\n" + Root + "/my folder\n");
    EXPECT_TRUE(Boxes.Shown().empty());

    tools[1]->trigger();
    ASSERT_EQ(Boxes.Shown().size(), 1u);
    EXPECT_EQ(Boxes.Shown()[0].Kind, TMessageKind::Error);
    const QString text = Boxes.Shown()[0].Text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Error running the selected option:\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/nonexistent/quill-tool"))) << text.toStdString();

    // An edit of the file shows the next time the menu opens: the old items
    // go, the new one comes, and nothing is listed twice.
    WriteFile(ToolsFile, "Other,hint,other-tool\n");
    tools = OpenToolsMenu();
    ASSERT_EQ(tools.size(), 1);
    EXPECT_EQ(tools[0]->text(), QStringLiteral("Other"));

    // With no tools left the separator goes too.
    WriteFile(ToolsFile, "# nothing yet\nShort line\n");
    EXPECT_TRUE(OpenToolsMenu().empty());
    EXPECT_FALSE(Action("LT1")->isVisible());
}

} // namespace

namespace {

// "System Tools" starts the desktop's disk utility when one is on PATH, and
// is disabled, saying why, when there is none; the web commands open the
// help's support topic while no address is kept.
TEST_F(ToolsMenuTest, TheDesktopsDiskUtilityAndTheWebCommands) {
    const QByteArray path = qgetenv("PATH");
    Temp.MakeDir("bin");
    const std::string marker = Temp.Path("disks-ran");
    WriteFile(Temp.Path("bin/gnome-disks"), "#!/bin/sh\ntouch '" + marker + "'\n");
    chmod(Temp.Path("bin/gnome-disks").c_str(), 0755);
    qputenv("PATH", QByteArray::fromStdString(Temp.Path("bin")) + ":" + path);
    MakeForm();
    qputenv("PATH", path);
    ASSERT_TRUE(Action("cmdToolsWindowsSystemTools")->isEnabled());
    Action("cmdToolsWindowsSystemTools")->trigger();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(QString::fromStdString(marker)); }, 10000));

    qputenv("PATH", QByteArray::fromStdString(Temp.Path("nothing-here")));
    MakeForm();
    qputenv("PATH", path);
    EXPECT_FALSE(Action("cmdToolsWindowsSystemTools")->isEnabled());
    EXPECT_TRUE(Action("cmdToolsWindowsSystemTools")->statusTip().contains("No disk utility"));

    Action("cmdHelpVisitWebPage")->trigger();
    QWidget* help = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("HelpWindow") && window->isVisible())
            help = window;
    EXPECT_NE(help, nullptr);
}

} // namespace

namespace {

// Without a desktop search tool, "Find Files or Folders..." searches the
// scanned folders and their kept files by a wildcard pattern, in any case and
// at any depth, names that are not UTF-8 included; a chosen file row makes
// its folder the current one.
TEST_F(ToolsMenuTest, FindingFoldersAndFilesOfTheScannedTree) {
    Temp.MakeFile("drive/Photos 2024/raw/photo-1.raw", 5000);
    Temp.MakeFile("drive/Photos 2024/raw/PHOTO-\xff.raw", 12);
    Temp.MakeFile("drive/Music/photos-old/y", 7);
    Temp.MakeFile("drive/Music/notes.txt", 3);
    Temp.MakeDir("drive/Other");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(Temp.Path("nothing-here")));
    MakeForm();
    qputenv("PATH", path);
    Form->Session().ScanOrRescanDrive(Root);
    using TRow = std::tuple<QString, QString, QString, QString>; // name, kind, folder, size
    const auto rows = [](const TFindFoldersBox& box) {
        std::set<TRow> found;
        for (int i = 0; i < box.lvResults->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = box.lvResults->topLevelItem(i);
            found.insert(
                {item->text(TFindFoldersBox::ColName), item->text(TFindFoldersBox::ColKind),
                 item->text(TFindFoldersBox::ColFolder), item->text(TFindFoldersBox::ColSize)});
        }
        return found;
    };
    const QString raw = QString::fromStdString(Root + "/Photos 2024/raw");
    std::set<TRow> photos;
    std::set<TRow> raws;
    bool keptShown = true;
    QTimer::singleShot(0, Form.get(), [&] {
        auto* box = qobject_cast<TFindFoldersBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        keptShown = !box->lblNotKept->isHidden();
        box->ediPattern->setText(QStringLiteral("photo*"));
        emit box->ediPattern->returnPressed();
        photos = rows(*box);
        box->Find(QStringLiteral("*.RAW"));
        raws = rows(*box);
        const auto files =
            box->lvResults->findItems(QStringLiteral("photo-1.raw"), Qt::MatchExactly);
        ASSERT_EQ(files.size(), 1);
        emit box->lvResults->itemDoubleClicked(files.front(), 0);
    });
    Action("cmdToolsFindFiles")->trigger();
    EXPECT_FALSE(keptShown) << "the scan kept its files";
    const std::set<TRow> rawFiles{
        {QStringLiteral("photo-1.raw"), QStringLiteral("File"), raw, FormatSize(5000)},
        {QString::fromUtf8("PHOTO-\xff.raw"), QStringLiteral("File"), raw, FormatSize(12)}};
    std::set<TRow> expected = rawFiles;
    expected.insert({QStringLiteral("photos-old"), QStringLiteral("Folder"),
                     QString::fromStdString(Root + "/Music"), FormatSize(7)});
    expected.insert({QStringLiteral("Photos 2024"), QStringLiteral("Folder"),
                     QString::fromStdString(Root), FormatSize(5012)});
    EXPECT_EQ(photos, expected);
    EXPECT_EQ(raws, rawFiles);
    EXPECT_EQ(Form->CurrentPath(), Root + "/Photos 2024/raw");
}

} // namespace
