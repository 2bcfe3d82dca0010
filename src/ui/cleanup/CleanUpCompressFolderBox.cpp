#include "ui/cleanup/CleanUpCompressFolderBox.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/ArchiveProgress.h"
#include "platform/Mounts.h"
#include "settings/Product.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"
#include "ui/cleanup/ArchiveProgressPage.h"
#include "ui/cleanup/RestoreArchivePage.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace {

QString Caption() {
    return QString::fromLatin1(ProductTitle);
}

std::string CurrentFolder() {
    char* cwd = getcwd(nullptr, 0);
    std::string folder = cwd ? cwd : "/";
    std::free(cwd);
    return folder;
}

QLabel* Named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString ResultSize32(std::int64_t bytes) {
    // Bytes, KB or MB as long as the size allows; GB past 2 GiB.
    return bytes <= INT32_MAX ? FormatSize32(static_cast<std::int32_t>(bytes)) : FormatSize(bytes);
}

} // namespace

std::string ArchiveDriveOfPicker(const TPlainDrivePicker* picker) {
    const QString root = picker->Drive();
    return root.isEmpty() ? Platform::DriveRootOf(CurrentFolder()) : PathBytes(root);
}

TCleanUpCompressFolderBox::TCleanUpCompressFolderBox(TProgramSettings& settings, TMode mode,
                                                     QWidget* parent)
    : QDialog(parent), Settings(settings), Mode(mode),
      Random(static_cast<std::uint32_t>(
          std::chrono::steady_clock::now().time_since_epoch().count() ^ getpid())) {
    setObjectName(QStringLiteral("CleanUpCompressFolderBox"));
    setWindowTitle(mode == TMode::Compress ? tr("Archive Folder To Gain Some Space")
                                           : tr("Restore Compressed Folders"));
    setProperty("HelpContext", static_cast<int>(HelpMoveFolder));
    AskPassword = [this](bool confirm, bool retry) { return AskForPassword(confirm, retry); };
    DriveOf = [](const std::string& path) { return Platform::DriveRootOf(path); };

    ThePages = new QTabWidget(this);
    ThePages->setObjectName(QStringLiteral("ThePages"));
    sheetCompress = MakeCompressPage();
    sheetRestore = new TRestoreArchivePage(*this);
    sheetProgress = new TArchiveProgressPage;
    // The pages' controls under the dialog's names, for its callers.
    ThePages->addTab(sheetCompress, tr("Archive Folder"));
    ThePages->addTab(sheetRestore, tr("Restore Folder"));
    if (mode == TMode::Restore) {
        ThePages->removeTab(ThePages->indexOf(sheetCompress));
        sheetCompress->hide();
    }

    cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdHelp = new QPushButton(tr("Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    connect(cmdClose, &QPushButton::clicked, this, &TCleanUpCompressFolderBox::reject);
    connect(cmdHelp, &QPushButton::clicked, this, &TCleanUpCompressFolderBox::cmdHelpClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ThePages);
    layout->addLayout(buttons);

    // The six settings.
    chkIncludeSubfolders->setChecked(Settings.ZIPAddSubfolders.Value);
    chkIncludeHidden->setChecked(Settings.ZIPAddHiddenFiles.Value);
    chkDeleteAfterCompressing->setChecked(Settings.ZIPDeleteAfterCompressing.Value);
    chkPasswordProtect->setChecked(Settings.ZIPPasswordProtect.Value);
    const int level = Settings.ZIPCompressionLevel.Value;
    ediCompressionLevel->setValue(level >= 0 && level <= 9 ? level : 9);
    sheetRestore->chkDeleteArchive->setChecked(Settings.ZIPDeleteArchive.Value);

    const QString here = DisplayPath(Platform::DriveRootOf(CurrentFolder()));
    cbDrives->SetDrive(here);
    sheetRestore->cbRestoreDrivesList->SetDrive(here);
    sheetRestore->cbRestoreDrivesListChange();
    // Archiving, as tall as its page needs, the list of archives taking
    // what is left; restoring, with room for that list. Centred when shown,
    // once the size is final.
    resize(std::max(560, sizeHint().width()),
           mode == TMode::Compress ? minimumSizeHint().height() : sizeHint().height());
}

TCleanUpCompressFolderBox::~TCleanUpCompressFolderBox() {
    Settings.ZIPAddSubfolders.Value = chkIncludeSubfolders->isChecked();
    Settings.ZIPAddHiddenFiles.Value = chkIncludeHidden->isChecked();
    Settings.ZIPDeleteAfterCompressing.Value = chkDeleteAfterCompressing->isChecked();
    Settings.ZIPPasswordProtect.Value = chkPasswordProtect->isChecked();
    Settings.ZIPCompressionLevel.Value = ediCompressionLevel->value();
    Settings.ZIPDeleteArchive.Value = sheetRestore->chkDeleteArchive->isChecked();
}

QWidget* TCleanUpCompressFolderBox::MakeCompressPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("sheetCompress"));
    auto* title = new QLabel(tr("Compress folder to a ZIP archive"), page);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    ediZIPDescription = new QLineEdit(page);
    ediZIPDescription->setObjectName(QStringLiteral("ediZIPDescription"));
    auto* descriptionLabel =
        new QLabel(tr("&Description of the archive (so you can easily identify it later):"), page);
    descriptionLabel->setBuddy(ediZIPDescription);
    txtStoreOnDrive = Named(new QLabel(tr("Store archive in a special '%1' folder on drive")
                                           .arg(QString::fromLatin1(ArchivesFolderName)),
                                       page),
                            "txtStoreOnDrive");
    cbDrives = new TPlainDrivePicker(page);
    cbDrives->setObjectName(QStringLiteral("cbDrives"));
    chkIncludeSubfolders = new QCheckBox(tr("Add &subfolders and all their files"), page);
    chkIncludeSubfolders->setObjectName(QStringLiteral("chkIncludeSubfolders"));
    chkIncludeHidden = new QCheckBox(tr("Add &Hidden and System Files"), page);
    chkIncludeHidden->setObjectName(QStringLiteral("chkIncludeHidden"));
    chkDeleteAfterCompressing =
        new QCheckBox(tr("&Move folder to archive (delete folder after compressing it)"), page);
    chkDeleteAfterCompressing->setObjectName(QStringLiteral("chkDeleteAfterCompressing"));
    chkPasswordProtect = new QCheckBox(tr("&Password protect archive"), page);
    chkPasswordProtect->setObjectName(QStringLiteral("chkPasswordProtect"));
    ediCompressionLevel = new QSpinBox(page);
    ediCompressionLevel->setObjectName(QStringLiteral("ediCompressionLevel"));
    ediCompressionLevel->setRange(0, 9);
    auto* levelLabel = new QLabel(tr("Compression &Level (0-9):"), page);
    levelLabel->setBuddy(ediCompressionLevel);
    cmdCompress = new QPushButton(tr("&Archive >>"), page);
    cmdCompress->setObjectName(QStringLiteral("cmdCompress"));
    connect(cmdCompress, &QPushButton::clicked, this, &TCleanUpCompressFolderBox::cmdCompressClick);

    auto* grid = new QGridLayout(page);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(descriptionLabel, 1, 0, 1, 2);
    grid->addWidget(ediZIPDescription, 2, 0, 1, 2);
    grid->addWidget(txtStoreOnDrive, 3, 0);
    grid->addWidget(cbDrives, 3, 1);
    grid->addWidget(chkIncludeSubfolders, 4, 0, 1, 2);
    grid->addWidget(chkIncludeHidden, 5, 0, 1, 2);
    grid->addWidget(chkDeleteAfterCompressing, 6, 0, 1, 2);
    grid->addWidget(chkPasswordProtect, 7, 0, 1, 2);
    // The button closes the form it acts on; any height the pages have to
    // spare goes below it.
    auto* level = new QHBoxLayout;
    level->addWidget(levelLabel);
    level->addWidget(ediCompressionLevel);
    level->addStretch();
    level->addWidget(cmdCompress);
    grid->addLayout(level, 8, 0, 1, 2);
    grid->setRowStretch(9, 1);
    return page;
}

void TCleanUpCompressFolderBox::SetFolder(const std::string& folderPath, std::int64_t totalBytes,
                                          std::int64_t spaceUsed) {
    FolderPath = folderPath;
    TotalBytes = totalBytes;
    SpaceUsed = spaceUsed;
}

void TCleanUpCompressFolderBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The layout has had its say by now: long drive names in the pickers
    // may have widened the dialog since it was made.
    if (!Placed) {
        Placed = true;
        CenterOverMainWindow(parentWidget() ? parentWidget()->window() : nullptr, this);
    }
    if (!FolderPath.empty() && ediZIPDescription->text().isEmpty())
        ediZIPDescription->setText(DisplayPath(LastComponent(FolderPath)) + tr(" Folder"));
    if (ThePages->currentWidget() == sheetCompress)
        ediZIPDescription->setFocus();
    else
        sheetRestore->lvArchives->setFocus();
}

void TCleanUpCompressFolderBox::reject() {
    // Not while an archive is being written or read: Stop first.
    if (!sheetProgress->Running())
        QDialog::reject();
}

void TCleanUpCompressFolderBox::cmdHelpClick() {
    const QWidget* page = ThePages->currentWidget();
    if (page == sheetCompress)
        ShowHelp(HelpArchiveFolder, this);
    else if (page == sheetRestore)
        ShowHelp(HelpRestoreFolder, this);
}

void TCleanUpCompressFolderBox::cmdCompressClick() {
    CompressFolderNow();
}

void TCleanUpCompressFolderBox::cmdRestoreClick() {
    sheetRestore->cmdRestoreClick();
}

void TCleanUpCompressFolderBox::ShowProgressPage(const QString& title, std::int64_t totalBytes,
                                                 const std::string& folderPath) {
    sheetProgress->Begin(title, totalBytes, folderPath);
    while (ThePages->count() > 0)
        ThePages->removeTab(0);
    ThePages->addTab(sheetProgress, tr("Progress"));
    ThePages->setCurrentWidget(sheetProgress);
    cmdClose->setEnabled(false);
    repaint();
}

void TCleanUpCompressFolderBox::FinishOperation(bool compressed) {
    if (!compressed) {
        QDialog::reject();
        return;
    }
    cmdClose->setEnabled(true);
    const std::int64_t z = LastCompress.ArchiveSize;
    const std::int64_t gain = ArchiveGain(SpaceUsed, z);
    const QString gainLine =
        gain <= 0 ? QString()
        : chkDeleteAfterCompressing->isChecked()
            ? tr("By compressing the folder you have gained %1 of disk space").arg(FormatSize(gain))
            : tr("You should delete the folder you have compressed. This way you will gain %1 of "
                 "disk space")
                  .arg(FormatSize(gain));
    sheetProgress->ShowResults(
        tr("Folder compressed OK."),
        tr("The folder you have compressed was using %1 of disk space on drive %2"),
        FormatSize(SpaceUsed), DisplayPath(DisplayNameOf(DriveOf(FolderPath))),
        tr("The ZIP achive containing the compressed folder is using %1 of disk space on drive %2"),
        ResultSize32(z), DisplayPath(DisplayNameOf(DriveOf(LastCompress.ArchivePath))), gainLine);
}

// ---- compressing -------------------------------------------------------------------------

QString TCleanUpCompressFolderBox::AskForPassword(bool confirm, bool retry) {
    bool ok = false;
    const QString first = QInputDialog::getText(
        this, Caption(),
        retry ? tr("That password does not open the archive. Password of the archive:")
              : tr("Password of the archive:"),
        QLineEdit::Password, {}, &ok);
    if (!ok || first.isEmpty() || !confirm)
        return ok ? first : QString();
    const QString again = QInputDialog::getText(this, Caption(), tr("The same password again:"),
                                                QLineEdit::Password, {}, &ok);
    if (!ok)
        return {};
    if (again != first) {
        TMessageBox::Error(this, Caption(), tr("The two passwords differ."));
        return {};
    }
    return first;
}

void TCleanUpCompressFolderBox::CompressFolderNow() {
    TCompressRequest request;
    request.FolderPath = FolderPath;
    request.DriveRoot = ArchiveDriveOfPicker(cbDrives);
    request.Description = ediZIPDescription->text().toStdString();
    request.Options = AddDirNames;
    if (chkIncludeSubfolders->isChecked())
        request.Options |= AddRecurseDirs;
    if (chkIncludeHidden->isChecked())
        request.Options |= AddHiddenFiles;
    if (chkDeleteAfterCompressing->isChecked())
        request.Options |= AddMove;
    request.Level = ediCompressionLevel->value();
    if (chkPasswordProtect->isChecked()) {
        const QString password = AskPassword(true, false);
        if (password.isEmpty())
            return; // nothing started: the page stays as it was
        request.Password = password.toStdString();
    }
    std::string notice;
    request.ArchivesFolder = ArchivesFolderFor(request.DriveRoot, &notice);
    if (!notice.empty())
        TMessageBox::Information(this, Caption(), DisplayPath(notice));
    ShowProgressPage(tr("Now Compressing..."), TotalBytes, FolderPath);
    const auto zip = std::make_shared<TZipMaster>();
    const auto outcome = std::make_shared<TCompressOutcome>();
    const auto random = std::make_shared<std::mt19937>(Random());
    if (!sheetProgress->Run(
            zip,
            [zip, outcome, random, request] { *outcome = CompressFolder(*zip, request, *random); },
            GiveUpAfterStop)) {
        DiskChanged = true;
        FinishOperation(false);
        return;
    }
    LastCompress = *outcome;
    if (LastCompress.Made && (request.Options & AddMove))
        DiskChanged = true;
    if (!LastCompress.Made) {
        if (zip->LastError() == ZipOk)
            TMessageBox::Error(this, Caption(), DisplayPath(LastCompress.Message));
        FinishOperation(false);
        return;
    }
    QStringList kept;
    for (const std::string& path : LastCompress.Kept)
        kept << DisplayPath(path) + tr(": changed while it was compressed");
    for (const std::string& line : LastCompress.NotRemoved)
        kept << DisplayPath(line);
    if (!kept.isEmpty())
        TMessageBox::Show(this, TMessageKind::Warning, Caption(),
                          tr("The folder was archived, but %n item(s) were kept in it:", nullptr,
                             static_cast<int>(kept.size())),
                          QMessageBox::Ok, QMessageBox::NoButton, kept.join(QLatin1Char('\n')));
    FinishOperation(true);
}
