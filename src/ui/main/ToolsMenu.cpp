// The user's own tools in the Tools menu, read again when the menu opens after
// TOOLS.INI changed, so that edits show without a restart, and the command that
// opens that file for editing.
#include "ui/main/ToolsMenu.h"

#include "cleanup/ToolsList.h"
#include "settings/SettingsStore.h"
#include "shell/HelpWindow.h"
#include "shell/Launch.h"
#include "shell/MessageBox.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/Strings.h"
#include "ui/main/WindowHost.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QTimer>

#include <cstdlib>

namespace {

// The folder of the settings file, where the user keeps the tools file.
std::string ConfigFolder() {
    return QFile::encodeName(QFileInfo(SettingsFilePath()).absolutePath()).toStdString();
}

std::string ProgramFolder() {
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

// What a new tools file says, so the user sees the form of a line at once.
constexpr char ExampleTools[] =
    "# Your own commands for the Tools menu of Quillmere, one line each:\n"
    "#\n"
    "#   caption, hint, command\n"
    "#\n"
    "# Fields are separated by commas or blanks; put a field that holds either\n"
    "# in double quotes, and write a double quote inside it twice. The command\n"
    "# gets the current folder's path as its one argument and runs in its own\n"
    "# folder. A command without a folder is looked up in Quillmere's folder,\n"
    "# then on PATH. Lines starting with # are ignored; the menu shows your\n"
    "# changes the next time it opens. For example, without the leading #:\n"
    "#\n"
    "# \"&Open in the file manager\", \"Opens the current folder\", xdg-open\n"
    "# \"Disk &Usage Analyzer\", \"Shows the current folder in Baobab\", baobab\n";

} // namespace

TToolsMenu::TToolsMenu(TCommandRegistry& commands, TWindowHost& host, QObject* parent)
    : QObject(parent), Host(host) {
    setObjectName(QStringLiteral("ToolsMenu"));
    const auto explore = [this] { cmdToolsWindowsExplorerClick(); };
#define T(text) QT_TRANSLATE_NOOP("TMainForm", text)
    // clang-format off
    commands.Add(this, {"cmdToolsWindowsExplorer", T("File &Manager"), T("Opens the file manager."), 0, explore});
    commands.Add(this, {"cmdToolsFindFiles", T("&Find Files or Folders..."), T("Opens the Find dialog box, that allows you to search for files or folders based on various search criteria."), 0, [this] { cmdToolsFindFilesClick(); }});
    QAction* system = commands.Add(this, {"cmdToolsWindowsSystemTools", T("System &Tools"), T("Allows you to run various system tools such as the disk utility."), 0, [this] { cmdToolsWindowsSystemToolsClick(); }, {}, [this](const TCommandState&) { return !DiskTool.empty(); }});
    commands.Add(this, {"cmdToolsCustomize", T("&Customize the Tools menu..."), T("Add your own commands to the Tools menu (for advanced users)."), 0, [this] { cmdToolsCustomizeClick(); }});
    LT1 = commands.Add(this, {"LT1", nullptr, nullptr, 0, {}, {}, Rules::Always, SeparatorItem});
    QAction* toolbar = commands.Add(this, {"toolExplore", T("Explore"), T("Explore Current Folder|Explore the current folder"), 0, explore, {},
        [](const TCommandState& s) { return s.Node && s.OnDisk(); }});
    // clang-format on
#undef T
    toolbar->setIcon(
        ThemeIcon("system-file-manager", QStyle::SP_DirOpenIcon, Host.Window()->style()));
    if (DiskTool.empty())
        system->setStatusTip(tr("No disk utility (such as GNOME Disks or GParted) is installed."));
}

void TToolsMenu::Attach(QMenu& menu) {
    Menu = &menu;
    connect(Menu, &QMenu::aboutToShow, this, &TToolsMenu::ReloadTools);
    ReloadTools();
}

void TToolsMenu::ReloadTools() {
    // Rebuilt only when the file changed: building a long menu is what
    // costs, and the menu opens often.
    if (!ToolsFile.Refresh(ConfigFolder(), ProgramFolder())) {
        LT1->setVisible(!CustomTools.empty());
        return;
    }
    for (QAction* item : ToolItems)
        delete item;
    ToolItems.clear();
    CustomTools.clear();

    for (const TTool& tool : ToolsFile.Tools()) {
        const size_t index = CustomTools.size();
        CustomTools.push_back(tool.Command);
        auto* item = new QAction(QString::fromStdString(tool.Caption), this);
        item->setStatusTip(QString::fromStdString(tool.Hint));
        connect(item, &QAction::triggered, this, [this, index] { RunTool(index); });
        Menu->addAction(item);
        ToolItems.push_back(item);
    }
    LT1->setVisible(!CustomTools.empty());
    // Said once a run, when the menu is first opened over the window (not
    // while the window is being made), and after the menu is up: a box
    // inside the menu's opening would hold it up.
    if (ToolsFile.Cut() && !ToolsLimitTold && Host.Window()->isVisible()) {
        ToolsLimitTold = true;
        QTimer::singleShot(0, this, [this] {
            TMessageBox::Information(
                Host.Window(), Strings::ProductName(),
                tr("The tools file lists more than %1 tools; the Tools menu shows the first %1.")
                    .arg(QLocale().toString(static_cast<qulonglong>(MaxTools))));
        });
    }
}

void TToolsMenu::RunTool(size_t index) {
    if (index >= CustomTools.size())
        return;
    const char* searchPath = std::getenv("PATH");
    const TToolLaunch launch =
        ToolLaunchOf(CustomTools[index], ProgramFolder(), searchPath ? searchPath : "");
    std::vector<std::string> parameters;
    if (const std::string path = Host.CurrentDiskPath(); !path.empty())
        parameters.push_back(path);
    const TLaunchResult result = LaunchFile(launch.Program, parameters, launch.WorkingFolder);
    if (!result.Ok)
        TMessageBox::Error(Host.Window(), Strings::ProductName(),
                           tr("Error running the selected option:\n") +
                               QString::fromStdString(result.Error));
}

void TToolsMenu::cmdToolsCustomizeClick() {
    const QString folder = QFileInfo(SettingsFilePath()).absolutePath();
    const QString path = folder + QStringLiteral("/TOOLS.INI");
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        QString problem;
        if (!QDir().mkpath(folder))
            problem = tr("Its folder could not be made.");
        else if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
                 file.write(ExampleTools, sizeof ExampleTools - 1) !=
                     qint64(sizeof ExampleTools - 1))
            problem = file.errorString();
        if (!problem.isEmpty()) {
            TMessageBox::Error(Host.Window(), Strings::ProductName(),
                               tr("The tools file %1 could not be created:\n%2")
                                   .arg(QDir::toNativeSeparators(path), problem));
            return;
        }
    }
    const TLaunchResult result = LaunchFile(QFile::encodeName(path).toStdString());
    if (!result.Ok)
        TMessageBox::Error(
            Host.Window(), Strings::ProductName(),
            tr("The tools file %1 could not be opened:\n%2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(result.Error)));
}

// ---- the desktop's own tools ---------------------------------------------------------

std::string TToolsMenu::FindDiskTool() {
    // The disk utilities of the common desktops; the first found on PATH wins.
    return FindOnPath({"gnome-disks", "partitionmanager", "gparted", "mate-disks"});
}

std::string TToolsMenu::FindOnPath(std::initializer_list<const char*> names) {
    const char* path = std::getenv("PATH");
    for (const char* name : names) {
        if (std::string found = ::FindOnPath(name, path ? path : ""); !found.empty())
            return found;
    }
    return {};
}

void TToolsMenu::cmdToolsWindowsExplorerClick() {
    // The current folder; with none, the home folder.
    const std::string folder = Host.CurrentDiskPath().empty()
                                   ? QFile::encodeName(QDir::homePath()).toStdString()
                                   : Host.CurrentDiskPath();
    const TLaunchResult result = ShowInFileManager(folder, true);
    if (!result.Ok)
        TMessageBox::Error(Host.Window(), Strings::ProductName(),
                           tr("The file manager could not be opened:\n%1")
                               .arg(QString::fromStdString(result.Error)));
}

void TToolsMenu::cmdToolsWindowsSystemToolsClick() {
    if (DiskTool.empty())
        return;
    const TLaunchResult result = LaunchFile(DiskTool);
    if (!result.Ok)
        TMessageBox::Error(
            Host.Window(), Strings::ProductName(),
            tr("Error running the selected option:\n%1").arg(QString::fromStdString(result.Error)));
}

void TToolsMenu::cmdToolsFindFilesClick() {
    // The desktop's own search tool where there is one, started on the
    // current folder; else Quillmere's search over the scanned folders.
    const std::string tool =
        FindOnPath({"catfish", "kfind", "gnome-search-tool", "mate-search-tool", "searchmonkey"});
    if (!tool.empty()) {
        const TLaunchResult result =
            LaunchFile(tool, Host.CurrentDiskPath().empty()
                                 ? std::vector<std::string>{}
                                 : std::vector<std::string>{Host.CurrentDiskPath()});
        if (!result.Ok)
            TMessageBox::Error(Host.Window(), Strings::ProductName(),
                               tr("Error running the selected option:\n%1")
                                   .arg(QString::fromStdString(result.Error)));
        return;
    }
    TFindFoldersBox box(Host.Session().Tree(), Host.Window());
    if (box.exec() == QDialog::Accepted && !box.ChosenPath().empty())
        Host.SelectPath(box.ChosenPath());
}
