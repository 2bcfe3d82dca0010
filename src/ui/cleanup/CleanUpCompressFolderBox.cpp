#include "ui/cleanup/CleanUpCompressFolderBox.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "platform/Mounts.h"
#include "settings/Product.h"
#include "settings/ProgramSettings.h"
#include "shell/DriveLists.h"
#include "shell/FolderBrowse.h"
#include "shell/HelpWindow.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "shell/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <thread>
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

// The drive picker's selection, else the drive of the current folder.
std::string DriveRootOfPicker(const TPlainDrivePicker* picker) {
    const QString root = picker->Drive();
    return root.isEmpty() ? Platform::DriveRootOf(CurrentFolder()) : PathBytes(root);
}

QString ResultSize32(std::int64_t bytes) {
    // Bytes, KB or MB as long as the size allows; GB past 2 GiB.
    return bytes <= INT32_MAX ? FormatSize32(static_cast<std::int32_t>(bytes)) : FormatSize(bytes);
}

// Fills a result line naming a drive, whose name holds its root path: a
// wrapped line would break that path anywhere, so the name is shortened in
// its middle to the room the line leaves, and the whole line is the tooltip.
void SetDriveLine(QLabel* label, const QString& format, const QString& size, const QString& drive) {
    const QFontMetrics metrics = label->fontMetrics();
    const int room =
        label->contentsRect().width() - metrics.horizontalAdvance(format.arg(size, QString()));
    const QString whole = format.arg(size, drive);
    label->setText(
        format.arg(size, metrics.elidedText(drive, Qt::ElideMiddle,
                                            std::max(room, 12 * metrics.averageCharWidth()))));
    label->setToolTip(label->text() == whole ? QString() : whole);
}

} // namespace

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
    sheetRestore = MakeRestorePage();
    sheetProgress = MakeProgressPage();
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
    chkDeleteArchive->setChecked(Settings.ZIPDeleteArchive.Value);

    const QString here = DisplayPath(Platform::DriveRootOf(CurrentFolder()));
    cbDrives->SetDrive(here);
    cbRestoreDrivesList->SetDrive(here);
    cbRestoreDrivesListChange();
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
    Settings.ZIPDeleteArchive.Value = chkDeleteArchive->isChecked();
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

QWidget* TCleanUpCompressFolderBox::MakeRestorePage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("sheetRestore"));
    auto* title = new QLabel(tr("Restore folder from a ZIP archive"), page);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    cbRestoreDrivesList = new TPlainDrivePicker(page);
    cbRestoreDrivesList->setObjectName(QStringLiteral("cbRestoreDrivesList"));
    connect(cbRestoreDrivesList, &TPlainDrivePicker::OnChange, this,
            &TCleanUpCompressFolderBox::cbRestoreDrivesListChange);
    lvArchives = new QTreeWidget(page);
    lvArchives->setObjectName(QStringLiteral("lvArchives"));
    lvArchives->setRootIsDecorated(false);
    lvArchives->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvArchives->setHeaderLabels(
        {tr("Archive Description"), tr("Folder Name"), tr("Original Location")});
    lvArchives->setColumnWidth(0, 160);
    lvArchives->setColumnWidth(1, 100);
    lvArchives->setColumnWidth(2, 200);
    lvArchives->header()->setSectionsClickable(false);
    lvArchives->setMinimumHeight(8 * lvArchives->fontMetrics().height());
    lvArchives->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::SelectedClicked);
    connect(lvArchives, &QTreeWidget::itemSelectionChanged, this,
            &TCleanUpCompressFolderBox::lvArchivesChange);
    connect(lvArchives, &QTreeWidget::itemChanged, this,
            &TCleanUpCompressFolderBox::lvArchivesEdited);
    ediRestorePath = new QLineEdit(page);
    ediRestorePath->setObjectName(QStringLiteral("ediRestorePath"));
    connect(ediRestorePath, &QLineEdit::textChanged, this,
            &TCleanUpCompressFolderBox::ediRestorePathChange);
    auto* pathLabel = new QLabel(tr("Restore folder to the following &location:"), page);
    pathLabel->setBuddy(ediRestorePath);
    cmdRestorePath = new QPushButton(tr("..."), page);
    cmdRestorePath->setObjectName(QStringLiteral("cmdRestorePath"));
    connect(cmdRestorePath, &QPushButton::clicked, this,
            &TCleanUpCompressFolderBox::cmdRestorePathClick);
    chkDeleteArchive = new QCheckBox(tr("&Delete archive after restoring folder"), page);
    chkDeleteArchive->setObjectName(QStringLiteral("chkDeleteArchive"));
    cmdRestore = new QPushButton(tr("&Restore >>"), page);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    connect(cmdRestore, &QPushButton::clicked, this, &TCleanUpCompressFolderBox::cmdRestoreClick);
    cmdDeleteArchive = new QPushButton(tr("Delete Archive"), page);
    cmdDeleteArchive->setObjectName(QStringLiteral("cmdDeleteArchive"));
    connect(cmdDeleteArchive, &QPushButton::clicked, this,
            &TCleanUpCompressFolderBox::cmdDeleteArchiveClick);

    auto* drive = new QHBoxLayout;
    drive->addWidget(new QLabel(tr("Folders compressed by Quillmere stored on drive"), page));
    drive->addWidget(cbRestoreDrivesList, 1);
    auto* path = new QHBoxLayout;
    path->addWidget(ediRestorePath, 1);
    path->addWidget(cmdRestorePath);
    auto* go = new QHBoxLayout;
    go->addWidget(chkDeleteArchive);
    go->addStretch();
    go->addWidget(cmdDeleteArchive);
    go->addWidget(cmdRestore);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(title);
    layout->addLayout(drive);
    layout->addWidget(lvArchives, 1);
    layout->addWidget(pathLabel);
    layout->addLayout(path);
    layout->addLayout(go);
    lvArchivesChange();
    return page;
}

QWidget* TCleanUpCompressFolderBox::MakeProgressPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("sheetProgress"));
    // The title in the theme's text colour over a faint shadow of itself, so
    // it reads on light and dark themes alike.
    auto* titles = new QWidget(page);
    txtProgressTitle2 = Named(new QLabel(titles), "txtProgressTitle2");
    txtProgressTitle1 = Named(new QLabel(titles), "txtProgressTitle1");
    QFont big = txtProgressTitle1->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    for (QLabel* label : {txtProgressTitle1, txtProgressTitle2})
        label->setFont(big);
    QPalette shadow = txtProgressTitle2->palette();
    shadow.setColor(QPalette::WindowText, shadow.color(QPalette::Mid));
    txtProgressTitle2->setPalette(shadow);
    txtProgressTitle2->move(1, 1);
    txtProgressTitle1->move(0, 0);
    titles->setMinimumHeight(QFontMetrics(big).height() + 2);
    txtProgressFile = Named(new QLabel(page), "txtProgressFile");
    pbOverall = new QProgressBar(page);
    pbOverall->setObjectName(QStringLiteral("pbOverall"));
    pbOverall->setRange(0, 100);
    pbOverall->setTextVisible(false);
    txtProgress = Named(new QLabel(QStringLiteral("0%"), page), "txtProgress");
    // Room for "100%" from the start, so the bar keeps its length.
    txtProgress->setMinimumWidth(
        txtProgress->fontMetrics().horizontalAdvance(QStringLiteral("100%")));
    txtProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdStop = new QPushButton(tr("Stop"), page);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    connect(cmdStop, &QPushButton::clicked, this, &TCleanUpCompressFolderBox::cmdStopClick);
    panResults = new QWidget(page);
    panResults->setObjectName(QStringLiteral("panResults"));
    txtCResults1 = Named(new QLabel(panResults), "txtCResults1");
    txtCResults2 = Named(new QLabel(panResults), "txtCResults2");
    txtCResults3 = Named(new QLabel(panResults), "txtCResults3");
    QFont bold = txtCResults3->font();
    bold.setBold(true);
    txtCResults3->setFont(bold);
    for (QLabel* label : {txtCResults1, txtCResults2, txtCResults3})
        label->setWordWrap(true);
    auto* results = new QVBoxLayout(panResults);
    results->addWidget(txtCResults1);
    results->addWidget(txtCResults2);
    results->addWidget(txtCResults3);
    panResults->hide();

    auto* bar = new QHBoxLayout;
    bar->addWidget(pbOverall, 1);
    bar->addWidget(txtProgress);
    auto* stop = new QHBoxLayout;
    stop->addStretch();
    stop->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(titles);
    layout->addWidget(txtProgressFile);
    layout->addLayout(bar);
    layout->addLayout(stop);
    layout->addWidget(panResults);
    layout->addStretch();
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
        lvArchives->setFocus();
}

void TCleanUpCompressFolderBox::reject() {
    // Not while an archive is being written or read: Stop first.
    if (!Running)
        QDialog::reject();
}

void TCleanUpCompressFolderBox::cmdHelpClick() {
    const QWidget* page = ThePages->currentWidget();
    if (page == sheetCompress)
        ShowHelp(HelpArchiveFolder, this);
    else if (page == sheetRestore)
        ShowHelp(HelpRestoreFolder, this);
}

void TCleanUpCompressFolderBox::cmdStopClick() {
    if (RunningZip) {
        StopPressed = true;
        RunningZip->Cancel();
    }
}

// ---- running the component ------------------------------------------------------------

bool TCleanUpCompressFolderBox::RunZip(const std::shared_ptr<TZipMaster>& zip,
                                       std::function<void()> work) {
    // Shared with the worker, which may outlive this window when its drive
    // stops answering.
    struct TRun {
        std::atomic<bool> Done{false};
        std::atomic<std::uint64_t> Events{0};
    };
    const auto run = std::make_shared<TRun>();
    QPointer<TCleanUpCompressFolderBox> self(this);
    zip->OnProgress = [self, run](ProgressType type, const std::string& name, std::int64_t size) {
        ++run->Events;
        QMetaObject::invokeMethod(
            self,
            [self, type, name, size] {
                if (self)
                    self->TheZipProgress(type, name, size);
            },
            Qt::QueuedConnection);
    };
    zip->OnMessage = [self](int code, const std::string& message) {
        // Stop is no error to report, and a wrong password is asked again
        // (its failure is told with the outcome); the others are reported
        // as the component says them.
        if (code == ZipOk || code == ZipCancelled || code == ZipBadPassword)
            return;
        QMetaObject::invokeMethod(
            self,
            [self, code, message] {
                if (self)
                    TMessageBox::Error(self, Caption(),
                                       tr("Error: ") + DisplayPath(message) +
                                           QStringLiteral("\r\n(error code %1)").arg(code));
            },
            Qt::QueuedConnection);
    };
    RunningZip = zip.get();
    Running = true;
    StopPressed = false;
    std::thread worker([zip, run, work = std::move(work)] {
        work();
        run->Done = true;
    });
    // Waits for the worker; after Stop, as long as it still reports
    // progress, else at most GiveUpAfterStop.
    using Clock = std::chrono::steady_clock;
    QEventLoop loop;
    QTimer poll;
    std::uint64_t seenEvents = 0;
    Clock::time_point lastChange = Clock::now();
    bool gaveUp = false;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (run->Done) {
            loop.quit();
            return;
        }
        if (const std::uint64_t events = run->Events; events != seenEvents || !StopPressed) {
            seenEvents = events;
            lastChange = Clock::now();
        } else if (Clock::now() - lastChange >= GiveUpAfterStop) {
            gaveUp = true;
            loop.quit();
        }
    });
    poll.start(50);
    if (!run->Done)
        loop.exec();
    poll.stop();
    RunningZip = nullptr;
    Running = false;
    if (gaveUp) {
        // Blocked in a call the drive does not answer; it ends by itself,
        // with the archive and the folder left as its contract says.
        worker.detach();
        TMessageBox::Show(
            this, TMessageKind::Warning, Caption(),
            tr("The drive does not answer, so the work could not be stopped. It goes on in the "
               "background and ends by itself when the drive answers again or goes away."),
            QMessageBox::Ok, QMessageBox::NoButton,
            tr("Nothing of the folder is removed before its archive is complete, checked and "
               "catalogued, and an archive is deleted after a restore only when every file came "
               "back whole. An unfinished archive is removed the next time the archives of its "
               "drive are listed."));
        return false;
    }
    worker.join();
    // What the worker said last is shown before the outcome.
    QCoreApplication::sendPostedEvents(this);
    return true;
}

void TCleanUpCompressFolderBox::TheZipProgress(ProgressType type, const std::string& fileName,
                                               std::int64_t fileSize) {
    if (type == ProgressType::NewFile) {
        SetBytesDone(BytesOfFinishedFiles + CurrentFileSize);
        BytesOfFinishedFiles = BytesDone;
        CurrentFileSize = fileSize;
        std::string shown =
            FolderPath.empty() ? std::string() : IncludeTrailingBackslash(ParentPath(FolderPath));
        shown += fileName;
        txtProgressFile->setText(MinimizePath(DisplayPath(shown), txtProgressFile->fontMetrics(),
                                              std::max(100, txtProgressFile->width())));
    } else if (type == ProgressType::ProgressUpdate) {
        // The component says how far into the entry it is, not by how much
        // it moved, so a late or merged event cannot push the bar too far.
        SetBytesDone(BytesOfFinishedFiles + fileSize);
    } else if (type == ProgressType::EndOfBatch) {
        // The last entry is done too; no NewFile follows to say so.
        SetBytesDone(BytesOfFinishedFiles + CurrentFileSize);
        BytesOfFinishedFiles = BytesDone;
        CurrentFileSize = 0;
    }
}

void TCleanUpCompressFolderBox::SetBytesDone(std::int64_t bytes) {
    BytesDone = bytes;
    if (TotalBytes <= 0)
        return; // nothing to measure against: the bar waits for the end
    const int percent =
        static_cast<int>(static_cast<double>(bytes) * 100.0 / static_cast<double>(TotalBytes));
    if (percent > pbOverall->value() && percent <= 100) {
        pbOverall->setValue(percent);
        txtProgress->setText(QStringLiteral("%1%").arg(percent));
    }
}

void TCleanUpCompressFolderBox::ShowProgressPage(const QString& title) {
    txtProgressTitle1->setText(title);
    txtProgressTitle2->setText(title);
    for (QLabel* label : {txtProgressTitle1, txtProgressTitle2})
        label->adjustSize();
    while (ThePages->count() > 0)
        ThePages->removeTab(0);
    ThePages->addTab(sheetProgress, tr("Progress"));
    ThePages->setCurrentWidget(sheetProgress);
    cmdClose->setEnabled(false);
    ResetProgress();
    repaint();
}

void TCleanUpCompressFolderBox::ResetProgress() {
    BytesDone = BytesOfFinishedFiles = CurrentFileSize = 0;
    pbOverall->setValue(0);
    txtProgress->setText(QStringLiteral("0%"));
}

void TCleanUpCompressFolderBox::ShowAllDone() {
    pbOverall->setValue(100);
    txtProgress->setText(QStringLiteral("100%"));
}

void TCleanUpCompressFolderBox::FinishOperation(bool compressed) {
    if (!compressed) {
        QDialog::reject();
        return;
    }
    cmdClose->setEnabled(true);
    cmdStop->hide();
    panResults->show();
    ShowAllDone();
    for (QLabel* label : {txtProgressTitle1, txtProgressTitle2}) {
        label->setText(tr("Folder compressed OK."));
        label->adjustSize();
    }
    // Laid out now, so that the lines know their width.
    sheetProgress->layout()->activate();
    panResults->layout()->activate();
    const std::int64_t z = LastCompress.ArchiveSize;
    SetDriveLine(txtCResults1,
                 tr("The folder you have compressed was using %1 of disk space on drive %2"),
                 FormatSize(SpaceUsed), DisplayPath(DisplayNameOf(DriveOf(FolderPath))));
    SetDriveLine(
        txtCResults2,
        tr("The ZIP achive containing the compressed folder is using %1 of disk space on drive %2"),
        ResultSize32(z), DisplayPath(DisplayNameOf(DriveOf(LastCompress.ArchivePath))));
    const QString gain =
        chkDeleteAfterCompressing->isChecked()
            ? tr("By compressing the folder you have gained %1 of disk space")
            : tr("You should delete the folder you have compressed. This way you will gain %1 of "
                 "disk space");
    txtCResults3->setVisible(SpaceUsed > z);
    if (SpaceUsed > z)
        txtCResults3->setText(gain.arg(FormatSize(SpaceUsed - z)));
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

void TCleanUpCompressFolderBox::cmdCompressClick() {
    TCompressRequest request;
    request.FolderPath = FolderPath;
    request.DriveRoot = DriveRootOfPicker(cbDrives);
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
    ShowProgressPage(tr("Now Compressing..."));
    const auto zip = std::make_shared<TZipMaster>();
    const auto outcome = std::make_shared<TCompressOutcome>();
    const auto random = std::make_shared<std::mt19937>(Random());
    if (!RunZip(zip, [zip, outcome, random, request] {
            *outcome = CompressFolder(*zip, request, *random);
        })) {
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

// ---- restoring ---------------------------------------------------------------------------

void TCleanUpCompressFolderBox::cbRestoreDrivesListChange() {
    ArchivesFolder = ArchivesFolderFor(DriveRootOfPicker(cbRestoreDrivesList));
    std::string error;
    Archives = ListArchives(ArchivesFolder, error);
    Filling = true;
    lvArchives->clear();
    for (const TCatalogueEntry& entry : Archives) {
        auto* item = new QTreeWidgetItem(lvArchives, {QString::fromStdString(entry.Description),
                                                      DisplayPath(entry.FolderName),
                                                      DisplayPath(entry.OriginalPath)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    lvArchives->clearSelection();
    Filling = false;
    lvArchivesChange();
    if (!error.empty())
        TMessageBox::Error(this, Caption(), DisplayPath(error));
}

const TCatalogueEntry* TCleanUpCompressFolderBox::SelectedEntry() const {
    const QList<QTreeWidgetItem*> selected = lvArchives->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int row = lvArchives->indexOfTopLevelItem(selected.first());
    return row >= 0 && row < static_cast<int>(Archives.size()) ? &Archives[row] : nullptr;
}

void TCleanUpCompressFolderBox::lvArchivesChange() {
    const TCatalogueEntry* entry = SelectedEntry();
    cmdRestore->setEnabled(entry != nullptr);
    cmdRestorePath->setEnabled(entry != nullptr);
    ediRestorePath->setEnabled(entry != nullptr);
    cmdDeleteArchive->setEnabled(entry != nullptr);
    ediRestorePath->setText(entry ? DisplayPath(entry->OriginalPath) : QString());
    ediRestorePathChange();
}

void TCleanUpCompressFolderBox::lvArchivesEdited(QTreeWidgetItem* item, int column) {
    if (Filling || column != 0)
        return;
    const int row = lvArchives->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(Archives.size()))
        return;
    const std::string text = item->text(0).toStdString();
    if (const TStatus set = SetArchiveDescription(ArchivesFolder, Archives[row].Key, text))
        Archives[row].Description = text;
    else
        TMessageBox::Error(this, Caption(), DisplayPath(set.Failure().Text));
}

void TCleanUpCompressFolderBox::ediRestorePathChange() {
    const TCatalogueEntry* entry = SelectedEntry();
    if (!entry) {
        ediRestorePath->setToolTip({});
        return;
    }
    const std::string path =
        IncludeTrailingBackslash(PathBytes(ediRestorePath->text())) + entry->FolderName;
    ediRestorePath->setToolTip(tr("The path of the restored folder will be ") +
                               QStringLiteral("\r\n") + DisplayPath(path));
}

void TCleanUpCompressFolderBox::cmdRestorePathClick() {
    TFolderBrowse browse;
    browse.Title = tr("Select the destination folder where you want to restore the selected folder "
                      "from the ZIP archive.");
    browse.Folder = ediRestorePath->text();
    if (browse.Execute(this))
        ediRestorePath->setText(browse.Folder);
}

void TCleanUpCompressFolderBox::cmdDeleteArchiveClick() {
    DeleteSelectedArchive(true);
}

void TCleanUpCompressFolderBox::DeleteSelectedArchive(bool confirm) {
    const TCatalogueEntry* entry = SelectedEntry();
    if (!entry)
        return;
    if (confirm &&
        TMessageBox::Show(
            this, TMessageKind::Confirmation, Caption(),
            tr("Really delete the ZIP archive that contains the folder '%1' ?")
                    .arg(DisplayPath(entry->FolderName)) +
                QStringLiteral("\r\n\r\n") +
                tr("Warning: You will not be able to restore any file from this folder if you "
                   "delete the ZIP archive."),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    if (const TStatus deleted = DeleteArchive(ArchivesFolder, entry->Key); !deleted)
        TMessageBox::Error(this, Caption(), DisplayPath(deleted.Failure().Text));
    cbRestoreDrivesListChange();
}

void TCleanUpCompressFolderBox::cmdRestoreClick() {
    const TCatalogueEntry* selected = SelectedEntry();
    if (!selected)
        return;
    const TCatalogueEntry entry = *selected;
    std::string base = PathBytes(ediRestorePath->text());
    if (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty() || base[0] != '/') {
        TMessageBox::Error(this, Caption(),
                           tr("Please give the full path of a folder to restore to."));
        return;
    }
    const std::string restored = IncludeTrailingBackslash(base) + entry.FolderName;
    // Files are replaced only inside a folder the user agreed to restore into.
    const bool overwrite = PathExists(restored);
    if (overwrite &&
        !TMessageBox::Confirm(this, Caption(),
                              tr("The folder %1 already exists. Files in it with the same names as "
                                 "files in the archive will be replaced. Restore into it?")
                                  .arg(DisplayPath(restored))))
        return;

    ShowProgressPage(tr("Now Restoring..."));
    const auto zip = std::make_shared<TZipMaster>();
    zip->ZipFileName = ArchivesFolder + "/" + entry.Key;
    // Read on the worker, like the restore: the drive may not answer.
    const auto entries = std::make_shared<TResult<std::vector<TZipEntry>>>(Refusal({}));
    if (!RunZip(zip, [zip, entries] { *entries = zip->LoadEntries(); })) {
        FinishOperation(false);
        return;
    }
    // The component has said why it could not be read; Stop ends here too.
    if (!*entries || StopPressed) {
        FinishOperation(false);
        return;
    }
    TotalBytes = 0;
    bool encrypted = false;
    for (const TZipEntry& e : **entries) {
        TotalBytes += e.Size;
        encrypted = encrypted || e.Encrypted;
    }
    // The password is asked before anything is written.
    if (encrypted) {
        const QString password = AskPassword(false, false);
        if (password.isEmpty()) {
            FinishOperation(false);
            return;
        }
        zip->Password = password.toStdString();
    }
    const auto outcome = std::make_shared<TRestoreOutcome>();
    const bool deleteArchive = chkDeleteArchive->isChecked();
    bool answered = true;
    for (int attempt = 0; answered && attempt < 3; ++attempt) {
        answered = RunZip(
            zip, [zip, outcome, folder = ArchivesFolder, entry, base, deleteArchive, overwrite] {
                *outcome = RestoreArchive(*zip, folder, entry, base, deleteArchive, overwrite);
            });
        if (!answered || outcome->Restored || zip->LastError() != ZipBadPassword || attempt == 2)
            break;
        const QString password = AskPassword(false, true);
        if (password.isEmpty())
            break;
        zip->Password = password.toStdString();
        ResetProgress();
    }
    DiskChanged = true;
    if (!answered) {
        FinishOperation(false);
        return;
    }
    if (outcome->Restored) {
        ShowAllDone();
        QString done =
            tr("The folder %1 was successfully restored").arg(DisplayPath(outcome->RestoredPath));
        if (outcome->DroppedModeBits > 0)
            done += QStringLiteral("\r\n\r\n") +
                    tr("%n item(s) were restored without their set-user-ID, set-group-ID or "
                       "sticky bits.",
                       nullptr, static_cast<int>(outcome->DroppedModeBits));
        TMessageBox::Information(this, Caption(), done);
        if (!outcome->Message.empty())
            TMessageBox::Error(this, Caption(), DisplayPath(outcome->Message));
    } else {
        TMessageBox::Error(this, Caption(), DisplayPath(outcome->Message));
    }
    // Only the drive the folder went to changed: a file system mounted
    // below a scanned drive is no part of that drive's tree.
    const std::string root = DriveOf(restored);
    for (const QString& drive : ScannedDrives) {
        if (PathBytes(drive) == root) {
            TMessageBox::Information(this, Caption(),
                                     tr("You should rescan drive %1 as its contents has been "
                                        "changed since the last time you have scanned it.")
                                         .arg(drive));
            break;
        }
    }
    FinishOperation(false);
}
