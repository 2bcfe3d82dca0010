// quillmere-screenshots OUTDIR [PATH]: pictures of the main window, its pages,
// the section window, the tree bar chart, the "Scan Drives", "Options", "Move
// Folder", archive, save and print dialogs, a comparison with a made-up
// earlier scan, "What Grew", "Unreadable Folders" and a move's progress on a real
// folder (default /usr), for a person to look at. PATH is shown as a drive of
// its own, so nothing needs mounting. Runs on the offscreen platform unless a
// display is chosen.
#include "cleanup/FolderMove.h"
#include "engine/Paths.h"
#include "engine/ScannedItem.h"
#include "models/FileTypesModel.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/DrivesSelectBox.h"
#include "shell/Icons.h"
#include "shell/ItemProperties.h"
#include "shell/MessageBox.h"
#include "snapshot/ScanExport.h"
#include "ui/charts/BarChartBox.h"
#include "ui/charts/SectionSizeBox.h"
#include "ui/cleanup/ArchiveProgressPage.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"
#include "ui/cleanup/CleanUpMoveFolderBox.h"
#include "ui/cleanup/MoveProgressBox.h"
#include "ui/cleanup/RestoreArchivePage.h"
#include "ui/main/FileTypesBox.h"
#include "ui/main/FindFoldersBox.h"
#include "ui/main/FolderInfoPage.h"
#include "ui/main/LargestFilesBox.h"
#include "ui/main/MainForm.h"
#include "ui/main/PiePage.h"
#include "ui/main/ScanFileCommands.h"
#include "ui/main/SubfoldersPage.h"
#include <QFile>
#include <QTreeWidget>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: quillmere-screenshots OUTDIR [PATH [SCANFILE]]\n");
    return 2;
}

// Runs the window's command of that object name.
void Trigger(const QWidget& form, const char* name) {
    if (auto* action = form.findChild<QAction*>(QString::fromLatin1(name)))
        action->trigger();
    else
        std::fprintf(stderr, "quillmere-screenshots: no command %s\n", name);
}

TSubfoldersPage& Subfolders(const QWidget& form) {
    return *form.findChild<TSubfoldersPage*>();
}

// Grabs every window that comes up modal, then closes it.
void GrabNextDialog(QObject* context, const QString& file) {
    QTimer::singleShot(400, context, [file] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->grab().save(file);
            dialog->close();
        }
    });
}

// The archive dialog on a small folder of its own: the compress page, the
// results after a compression that keeps the folder, and the restore page
// with that archive listed.
void ArchivePictures(const QString& out) {
    QTemporaryDir work;
    const std::string folder = work.path().toStdString() + "/Letters";
    QDir().mkpath(QString::fromStdString(folder + "/2026"));
    for (int i = 0; i < 40; ++i) {
        QFile file(QString::fromStdString(folder + "/2026/letter" + std::to_string(i) + ".txt"));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(20000 + 500 * i, 'a' + i % 26));
    }
    TProgramSettings settings;
    settings.ZIPDeleteAfterCompressing.Value = false;
    const QString drive = work.path();
    {
        TDriveSourceOverride drives([&] {
            Platform::TDrive d;
            d.RootPath = drive.toStdString();
            d.Type = Platform::TDriveType::Fixed;
            d.DisplayName = "Work (" + d.RootPath + ")";
            return std::vector<Platform::TDrive>{d};
        });
        TCleanUpCompressFolderBox box(settings, TCleanUpCompressFolderBox::TMode::Compress);
        box.cbDrives->SetDrive(drive);
        box.SetFolder(folder, 40 * 20000 + 500 * 780, 40 * 20000 + 500 * 780 + 40 * 2048);
        box.show();
        QTest::qWait(150);
        box.grab().save(out + "/archive-compress.png");
        box.cmdCompressClick();
        QTest::qWait(150);
        box.grab().save(out + "/archive-compressed.png");
        box.close();
        TCleanUpCompressFolderBox restore(settings, TCleanUpCompressFolderBox::TMode::Restore);
        restore.sheetRestore->cbRestoreDrivesList->SetDrive(drive);
        restore.show();
        if (restore.sheetRestore->lvArchives->topLevelItemCount() > 0)
            restore.sheetRestore->lvArchives->setCurrentItem(
                restore.sheetRestore->lvArchives->topLevelItem(0));
        QTest::qWait(150);
        restore.grab().save(out + "/archive-restore.png");
    }
    // A drive whose archives folder others may write: the user is told that
    // the home folder's is used instead (a home of the picture's own).
    const QString shared = work.path() + "/shared";
    QDir().mkpath(shared + "/" + ArchivesFolderName);
    QFile::setPermissions(shared + "/" + ArchivesFolderName, QFileDevice::Permissions(0x7777));
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", (work.path() + "/home").toUtf8());
    QDir().mkpath(work.path() + "/home");
    {
        TDriveSourceOverride drives([&] {
            Platform::TDrive d;
            d.RootPath = shared.toStdString();
            d.Type = Platform::TDriveType::Fixed;
            d.DisplayName = "Shared (" + d.RootPath + ")";
            return std::vector<Platform::TDrive>{d};
        });
        TCleanUpCompressFolderBox box(settings, TCleanUpCompressFolderBox::TMode::Compress);
        box.cbDrives->SetDrive(shared);
        box.SetFolder(folder, 40 * 20000 + 500 * 780, 40 * 20000 + 500 * 780 + 40 * 2048);
        box.show();
        GrabNextDialog(&box, out + "/archive-elsewhere.png");
        box.cmdCompressClick();
        box.close();
    }
    qputenv("HOME", home);
}

// The move dialog with something in its list of suggestions: drives made up
// over real folders, with clusters smaller than those of the folder's drive.
void ShotMoveSuggestions(TMainForm& form, const std::string& source, const QString& file) {
    TFolderNode* node = form.CurrentNode();
    if (!node || !node->Parent || !node->Data)
        return;
    std::vector<Platform::TDrive> drives;
    const auto add = [&](const std::string& root, Platform::TDriveType type, const char* label) {
        Platform::TDrive drive;
        drive.RootPath = root;
        drive.Type = type;
        drive.Label = label;
        drive.DisplayName = Platform::DriveDisplayName(root, label);
        drives.push_back(drive);
    };
    add("/", Platform::TDriveType::Fixed, "");
    add(QDir::tempPath().toStdString(), Platform::TDriveType::RamDisk, "Scratch");
    add(source, Platform::TDriveType::Fixed, "System");
    add("/var", Platform::TDriveType::Remote, "Backup on nas");
    const TDriveSourceOverride madeUp([drives] { return drives; });
    TCleanUpMoveFolderBox box(&form);
    box.ClusterSizeOfRoot = [source](const std::string& root) {
        return root == source ? 32768 : root == "/" ? 4096 : root == "/var" ? 512 : 1024;
    };
    box.SetSource(NodePath(node), ScannedItemOf(node));
    box.SetWastedOnSource(ShownTreeWasted(*node->Data, 0));
    box.FillWastingList(*node->Data, 0);
    box.show();
    QTest::qWait(150);
    box.grab().save(file);
}

// A move across file systems, slowed down, pictured while it copies and then
// stopped, which leaves nothing of it. Needs a RAM disk at /dev/shm beside a
// temporary folder on disk.
void ShotMoveProgress(QWidget* owner, const QString& file) {
    QTemporaryDir from;
    QTemporaryDir to(QStringLiteral("/dev/shm/quillmere-shot-XXXXXX"));
    struct stat a {};
    struct stat b {};
    if (!from.isValid() || !to.isValid() || stat(from.path().toLocal8Bit().constData(), &a) != 0 ||
        stat(to.path().toLocal8Bit().constData(), &b) != 0 || a.st_dev == b.st_dev) {
        std::fprintf(stderr, "quillmere-screenshots: no second file system for the move\n");
        return;
    }
    const std::string folder = from.path().toStdString() + "/Holiday Photos";
    QDir().mkpath(QString::fromStdString(folder + "/2024 Lisbon with the whole family"));
    for (int i = 0; i < 400; ++i) {
        std::ofstream(folder + "/2024 Lisbon with the whole family/IMG_" +
                      std::to_string(1000 + i) + ".jpg")
            << std::string(64 * 1024, 'x');
    }
    auto move = std::make_shared<TFolderMove>(Platform::ItemAtPath(folder),
                                              to.path().toStdString() + "/Holiday Photos");
    move->BeforeEntry = [](TMovePhase, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    };
    TMoveProgressBox progress(move, owner);
    QTimer::singleShot(1800, &progress, [&] {
        progress.grab().save(file);
        progress.cmdStopClick();
    });
    progress.exec();
    // The temporary folders go when this returns: the stopped move must be over.
    while (!move->Finished())
        QTest::qWait(20);
}

// An earlier scan made up from the current tree: every folder a quarter
// smaller than now, every fifth subfolder not there yet, and one folder that
// is gone since. Deep trees are cut at a few levels; a picture needs no more.
std::unique_ptr<TFolderNode> MadeUpEarlierScan(const TFolderNode& node, int levels) {
    auto copy = std::make_unique<TFolderNode>();
    copy->Name = node.Name;
    if (node.Data) {
        copy->Data = std::make_unique<TFolderSize>(*node.Data);
        copy->Data->TreeSize = node.Data->TreeSize / 4 * 3;
    }
    int i = 0;
    for (const auto& child : node.Children) {
        if (levels == 0 || ++i % 5 == 0)
            continue;
        copy->Children.push_back(MadeUpEarlierScan(*child, levels - 1));
        copy->Children.back()->Parent = copy.get();
    }
    auto gone = std::make_unique<TFolderNode>();
    gone->Name = "old-downloads";
    gone->Parent = copy.get();
    gone->Data = std::make_unique<TFolderSize>();
    gone->Data->TreeSize = 48 * 1048576;
    copy->Children.push_back(std::move(gone));
    copy->RenumberChildren();
    return copy;
}

void ComparisonPictures(TMainForm& form, const QString& out,
                        const std::function<void(QWidget*, const char*)>& shot) {
    TFolderNode* node = form.CurrentNode();
    if (!node || !node->Data)
        return;
    TScanFileInfo info;
    info.Program = "ncdu";
    info.ProgramVersion = "1.18";
    info.Timestamp = 1764000000;
    info.SourceFile = "/tmp/earlier.json";
    info.RootPath = NodePath(node);
    form.StartComparison(MadeUpEarlierScan(*node, 3), info);
    form.ShowPage(PageSubfolders);
    // Smallest change first: the folder gone since heads the list.
    Subfolders(form).List().Sort(ColChangePercent + 1);
    shot(&form, "compare-subfolders.png");
    form.ShowPage(PageFolderInfo);
    shot(&form, "compare-folder-info.png");
    form.ShowPage(PagePie);
    shot(&form, "compare-pie.png");
    GrabNextDialog(&form, out + "/what-grew.png");
    Trigger(form, "cmdViewWhatGrew");
    form.EndComparison();
}

// Two folders marked as unreadable, as a scan without the rights to them
// leaves them, for the list and the information page's note.
void UnreadablePictures(TMainForm& form, const QString& out,
                        const std::function<void(QWidget*, const char*)>& shot) {
    TFolderNode* node = form.CurrentNode();
    if (!node || node->Children.size() < 2)
        return;
    TFolderNode* first = node->Children[0].get();
    first->Set(NodeReadError);
    first->Error = EACCES;
    TFolderNode* second = node->Children[1].get();
    second->Set(NodeReadError);
    second->Set(NodeNotAnswering);
    second->Error = ETIMEDOUT;
    RefreshIncomplete(node);
    form.InvalidatePages(false);
    form.ShowPage(PageFolderInfo);
    shot(&form, "folder-info-incomplete.png");
    GrabNextDialog(&form, out + "/unreadable-folders.png");
    Trigger(form, "cmdViewUnreadableFolders");
}

// The folder exported to a scan file and opened again: the tree's own entry,
// the cluster-size question, and the export's progress box.
void ScanFilePictures(TMainForm& form, const std::string& source, const QString& out,
                      const std::function<void(QWidget*, const char*)>& shot) {
    QTemporaryDir work;
    const std::string file = work.path().toStdString() + "/scan.json";
    TExportProgress progress;
    if (const TStatus exported = ExportFolder(source, file, progress); !exported) {
        std::fprintf(stderr, "quillmere-screenshots: no scan file: %s\n",
                     exported.Failure().Describe().c_str());
        return;
    }
    GrabNextDialog(&form, out + "/open-scan-cluster-size.png");
    form.findChild<TScanFileCommands*>()->OpenScanFile(file, true);
    form.findChild<TScanFileCommands*>()->OpenScanFile(file, false);
    form.ShowPage(PagePie);
    shot(&form, "opened-scan.png");
    form.ShowPage(PageFolderInfo);
    shot(&form, "opened-scan-folder-info.png");
    Trigger(form, "cmdFileRemoveCurrentDrive");
}

// The largest files and the file types of the current folder, once their
// searches have come back.
void FileWindowPictures(TMainForm& form, const std::string& prefix,
                        const std::function<void(QWidget*, const char*)>& shot) {
    if (TLargestFilesBox* largest = form.LargestFilesBox()) {
        Trigger(form, "cmdViewLargestFiles");
        for (int i = 0; i < 300 && largest->Model().Searching(); ++i)
            QTest::qWait(10);
        QTest::qWait(100);
        shot(largest, (prefix + "largest-files.png").c_str());
        largest->close();
    }
    Trigger(form, "cmdViewFileTypes");
    TFileTypesBox* types = form.FileTypesBox();
    for (int waited = 0;
         waited < 100 && types->Model().State() == TFileTypesModel::TState::Counting; ++waited)
        QTest::qWait(100);
    types->resize(760, 520);
    shot(types, (prefix + "file-types.png").c_str());
    types->close();
}

// A scan file another program wrote (an ncdu or gdu export), opened: its
// pie and the file windows on its root, from the files the file lists.
void OpenedFilePictures(TMainForm& form, const std::string& file,
                        const std::function<void(QWidget*, const char*)>& shot) {
    form.findChild<TScanFileCommands*>()->OpenScanFile(file, false);
    form.ShowPage(PagePie);
    shot(&form, "foreign-scan-pie.png");
    FileWindowPictures(form, "foreign-scan-", shot);
    Trigger(form, "cmdFileRemoveCurrentDrive");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own settings and file-manager entries stay untouched.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitIconThemes();
    const QStringList args = QApplication::arguments();
    if (args.size() < 2 || args.size() > 4)
        return Usage();
    const QString out = args[1];
    QDir().mkpath(out);
    const std::string source =
        QDir(args.size() >= 3 ? args[2] : QStringLiteral("/usr")).absolutePath().toStdString();
    const auto shot = [&](QWidget* widget, const char* name) {
        QTest::qWait(80);
        const QString file = out + QLatin1Char('/') + QLatin1String(name);
        if (!widget->grab().save(file))
            std::fprintf(stderr, "quillmere-screenshots: cannot write %s\n", qPrintable(file));
    };

    TMainForm form;
    // The folder is a drive of its own: its subfolders belong to it.
    form.Session().SetDriveResolver([source](const std::string& path) {
        return path == source || path.rfind(source + "/", 0) == 0 ? source : std::string();
    });
    form.resize(1000, 680);
    // With nothing scanned, the window opens the "Scan Drives" dialog first.
    QTimer::singleShot(200, &form, [&] { shot(&form, "main-nothing-scanned.png"); });
    GrabNextDialog(&form, out + "/scan-drives.png");
    form.show();
    QTest::qWait(600);
    QTimer::singleShot(250, &form, [&] { shot(&form, "main-scanning.png"); });
    form.Session().ScanOrRescanDrive(source);
    shot(&form, "main-drive.png");
    // The biggest subfolder, for pages with something to show.
    TFolderNode* root = form.CurrentNode();
    TFolderNode* biggest = nullptr;
    if (root) {
        for (const auto& child : root->Children)
            if (child->Data && (!biggest || child->Data->TreeSize > biggest->Data->TreeSize))
                biggest = child.get();
    }
    if (biggest)
        form.SelectNode(biggest);
    const std::pair<int, const char*> pages[] = {{PagePie, "page-pie.png"},
                                                 {PageFolderInfo, "page-folder-info.png"},
                                                 {PageSubfolders, "page-subfolders.png"},
                                                 {PageWasted, "page-wasted.png"},
                                                 {PageCleanUp, "page-clean-up.png"}};
    for (const auto& [page, name] : pages) {
        form.ShowPage(page);
        shot(&form, name);
    }
    Subfolders(form).cbFoldersDisplayType->setCurrentIndex(DisplayTopLarge);
    form.ShowPage(PageSubfolders);
    shot(&form, "page-subfolders-top.png");
    form.ShowPage(PagePie);
    form.SectionSizeBox()->show();
    shot(form.SectionSizeBox(), "section-size.png");
    auto* clusters = form.findChild<QComboBox*>(QStringLiteral("ClustersBox"));
    clusters->setCurrentIndex(7);
    emit clusters->activated(7);
    shot(&form, "page-pie-64k-clusters.png");
    clusters->setCurrentIndex(0);
    emit clusters->activated(0);
    // The largest files and file types of the whole folder.
    if (root && biggest) {
        form.SelectNode(root);
        FileWindowPictures(form, "", shot);
        form.SelectNode(biggest);
    }

    // The options with the drive of the folder chosen for start-up, so one
    // drive shows checked.
    form.Settings().DrivesToAutoScan.Value =
        JoinDriveList({QString::fromStdString(Platform::DriveRootOf(source))});
    GrabNextDialog(&form, out + "/options.png");
    Trigger(form, "cmdViewOptions");
    GrabNextDialog(&form, out + "/tree-bar-chart.png");
    Trigger(form, "cmdViewBarChart");
    GrabNextDialog(&form, out + "/select-folder.png");
    Trigger(form, "cmdFileSelectFolder");
    // Quillmere's own search, with a pattern typed in, where the desktop has none.
    QTimer::singleShot(300, &form, [out] {
        if (auto* box = qobject_cast<TFindFoldersBox*>(QApplication::activeModalWidget())) {
            box->ediPattern->setText(QStringLiteral("*doc*"));
            box->Find(box->ediPattern->text());
            box->grab().save(out + "/find-folders.png");
            box->close();
        }
    });
    Trigger(form, "cmdToolsFindFiles");
    // The move dialog as the clean-up page opens it, on the real drives.
    form.ShowPage(PageCleanUp);
    GrabNextDialog(&form, out + "/move-folder.png");
    form.CleanUp(TCleanUpAction::Move);
    ShotMoveSuggestions(form, source, out + "/move-folder-suggestions.png");
    ShotMoveProgress(&form, out + "/move-progress.png");
    // The save dialogs of the reports and the pie, and the print dialog.
    GrabNextDialog(&form, out + "/save-report.png");
    Trigger(form, "cmdFileReportFolderContents");
    GrabNextDialog(&form, out + "/export-pie.png");
    Trigger(form, "cmdFilePieToFile");
    GrabNextDialog(&form, out + "/print.png");
    Trigger(form, "cmdFilePrintFolderInformation");
    GrabNextDialog(&form, out + "/properties-root-drive.png");
    ShowItemProperties("/", &form);
    // The drive's root, for lists with many rows.
    if (root)
        form.SelectNode(root);
    Subfolders(form).cbFoldersDisplayType->setCurrentIndex(DisplayAll);
    ScanFilePictures(form, source, out, shot);
    if (args.size() == 4)
        OpenedFilePictures(form, args[3].toStdString(), shot);
    ComparisonPictures(form, out, shot);
    UnreadablePictures(form, out, shot);
    ArchivePictures(out);
    std::printf("pictures in %s\n", qPrintable(out));
    return 0;
}
