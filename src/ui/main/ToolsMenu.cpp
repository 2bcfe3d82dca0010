// The user's own tools in the Tools menu, read again when the menu opens after
// TOOLS.INI changed, so that edits show without a restart, and the command that
// opens that file for editing.
#include "ui/main/MainForm.h"

#include "cleanup/ToolsList.h"
#include "settings/SettingsStore.h"
#include "shell/HelpWindow.h"
#include "shell/Launch.h"
#include "shell/MessageBox.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/Strings.h"

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

void TMainForm::ReloadTools() {
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
        mnuTools->addAction(item);
        ToolItems.push_back(item);
    }
    LT1->setVisible(!CustomTools.empty());
    // Said once a run, when the menu is first opened over the window (not
    // while the window is being made), and after the menu is up: a box
    // inside the menu's opening would hold it up.
    if (ToolsFile.Cut() && !ToolsLimitTold && isVisible()) {
        ToolsLimitTold = true;
        QTimer::singleShot(0, this, [this] {
            TMessageBox::Information(
                this, Strings::ProductName(),
                tr("The tools file lists more than %1 tools; the Tools menu shows the first %1.")
                    .arg(QLocale().toString(static_cast<qulonglong>(MaxTools))));
        });
    }
}

void TMainForm::RunTool(size_t index) {
    if (index >= CustomTools.size())
        return;
    const char* searchPath = std::getenv("PATH");
    const TToolLaunch launch =
        ToolLaunchOf(CustomTools[index], ProgramFolder(), searchPath ? searchPath : "");
    std::vector<std::string> parameters;
    if (const std::string path = CurrentDiskPath(); !path.empty())
        parameters.push_back(path);
    const TLaunchResult result = LaunchFile(launch.Program, parameters, launch.WorkingFolder);
    if (!result.Ok)
        TMessageBox::Error(this, Strings::ProductName(),
                           tr("Error running the selected option:\n") +
                               QString::fromStdString(result.Error));
}

void TMainForm::cmdToolsCustomizeClick() {
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
            TMessageBox::Error(this, Strings::ProductName(),
                               tr("The tools file %1 could not be created:\n%2")
                                   .arg(QDir::toNativeSeparators(path), problem));
            return;
        }
    }
    const TLaunchResult result = LaunchFile(QFile::encodeName(path).toStdString());
    if (!result.Ok)
        TMessageBox::Error(
            this, Strings::ProductName(),
            tr("The tools file %1 could not be opened:\n%2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(result.Error)));
}

// ---- the desktop's own tools and the web commands ---------------------------------

std::string TMainForm::FindDiskTool() {
    // The disk utilities of the common desktops; the first found on PATH wins.
    return FindOnPath({"gnome-disks", "partitionmanager", "gparted", "mate-disks"});
}

std::string TMainForm::FindOnPath(std::initializer_list<const char*> names) {
    const char* path = std::getenv("PATH");
    for (const char* name : names) {
        if (std::string found = ::FindOnPath(name, path ? path : ""); !found.empty())
            return found;
    }
    return {};
}

void TMainForm::cmdToolsWindowsExplorerClick() {
    // The current folder; with none, the home folder.
    const std::string folder = CurrentDiskPath().empty()
                                   ? QFile::encodeName(QDir::homePath()).toStdString()
                                   : CurrentDiskPath();
    const TLaunchResult result = ShowInFileManager(folder, true);
    if (!result.Ok)
        TMessageBox::Error(this, Strings::ProductName(),
                           tr("The file manager could not be opened:\n%1")
                               .arg(QString::fromStdString(result.Error)));
}

void TMainForm::cmdToolsWindowsSystemToolsClick() {
    if (DiskTool.empty())
        return;
    const TLaunchResult result = LaunchFile(DiskTool);
    if (!result.Ok)
        TMessageBox::Error(
            this, Strings::ProductName(),
            tr("Error running the selected option:\n%1").arg(QString::fromStdString(result.Error)));
}

void TMainForm::cmdHelpVisitWebPageClick() {
    OpenWebAddress(Options.WebPageAddress.Value);
}

void TMainForm::cmdHelpFeedbackClick() {
    OpenWebAddress(Options.FeedbackAddress.Value);
}

void TMainForm::OpenWebAddress(const QString& address) {
    // Until an address is set the support topic says where to turn instead.
    if (address.trimmed().isEmpty()) {
        ShowHelp(HelpSupport, this);
        return;
    }
    const TLaunchResult result = LaunchFile(address.trimmed().toStdString());
    if (!result.Ok)
        TMessageBox::Error(this, Strings::ProductName(),
                           tr("The web page %1 could not be opened:\n%2")
                               .arg(address.trimmed(), QString::fromStdString(result.Error)));
}

void TMainForm::cmdToolsFindFilesClick() {
    // The desktop's own search tool where there is one, started on the
    // current folder; else Quillmere's search over the scanned folders.
    const std::string tool =
        FindOnPath({"catfish", "kfind", "gnome-search-tool", "mate-search-tool", "searchmonkey"});
    if (!tool.empty()) {
        const TLaunchResult result = LaunchFile(
            tool, CurrentDiskPath().empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{CurrentDiskPath()});
        if (!result.Ok)
            TMessageBox::Error(this, Strings::ProductName(),
                               tr("Error running the selected option:\n%1")
                                   .arg(QString::fromStdString(result.Error)));
        return;
    }
    TFindFoldersBox box(Tree(), this);
    if (box.exec() == QDialog::Accepted && !box.ChosenPath().empty())
        SelectPath(box.ChosenPath());
}
