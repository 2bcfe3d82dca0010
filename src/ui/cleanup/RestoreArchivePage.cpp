// The archive dialog's restore page: the catalogue of a drive's archives and
// the restore itself, run on the dialog's progress page.
#include "ui/cleanup/RestoreArchivePage.h"

#include "engine/Paths.h"
#include "settings/Product.h"
#include "shell/DriveLists.h"
#include "shell/FolderBrowse.h"
#include "shell/MessageBox.h"
#include "shell/ShellPaths.h"
#include "ui/cleanup/ArchiveProgressPage.h"
#include "ui/cleanup/CleanUpCompressFolderBox.h"

#include <QCheckBox>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

QString Caption() {
    return QString::fromLatin1(ProductTitle);
}

} // namespace

TRestoreArchivePage::TRestoreArchivePage(TCleanUpCompressFolderBox& box) : Box(box) {
    auto* page = this;
    setObjectName(QStringLiteral("sheetRestore"));
    auto* title = new QLabel(tr("Restore folder from a ZIP archive"), page);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    cbRestoreDrivesList = new TPlainDrivePicker(page);
    cbRestoreDrivesList->setObjectName(QStringLiteral("cbRestoreDrivesList"));
    connect(cbRestoreDrivesList, &TPlainDrivePicker::OnChange, this,
            &TRestoreArchivePage::cbRestoreDrivesListChange);
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
            &TRestoreArchivePage::lvArchivesChange);
    connect(lvArchives, &QTreeWidget::itemChanged, this, &TRestoreArchivePage::lvArchivesEdited);
    ediRestorePath = new QLineEdit(page);
    ediRestorePath->setObjectName(QStringLiteral("ediRestorePath"));
    connect(ediRestorePath, &QLineEdit::textChanged, this,
            &TRestoreArchivePage::ediRestorePathChange);
    auto* pathLabel = new QLabel(tr("Restore folder to the following &location:"), page);
    pathLabel->setBuddy(ediRestorePath);
    cmdRestorePath = new QPushButton(tr("..."), page);
    cmdRestorePath->setObjectName(QStringLiteral("cmdRestorePath"));
    connect(cmdRestorePath, &QPushButton::clicked, this, &TRestoreArchivePage::cmdRestorePathClick);
    chkDeleteArchive = new QCheckBox(tr("&Delete archive after restoring folder"), page);
    chkDeleteArchive->setObjectName(QStringLiteral("chkDeleteArchive"));
    cmdRestore = new QPushButton(tr("&Restore >>"), page);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    connect(cmdRestore, &QPushButton::clicked, this, &TRestoreArchivePage::cmdRestoreClick);
    cmdDeleteArchive = new QPushButton(tr("Delete Archive"), page);
    cmdDeleteArchive->setObjectName(QStringLiteral("cmdDeleteArchive"));
    connect(cmdDeleteArchive, &QPushButton::clicked, this,
            &TRestoreArchivePage::cmdDeleteArchiveClick);

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
}

void TRestoreArchivePage::cbRestoreDrivesListChange() {
    ArchivesFolder = ArchivesFolderFor(ArchiveDriveOfPicker(cbRestoreDrivesList));
    TResult<std::vector<TCatalogueEntry>> listed = ListArchives(ArchivesFolder);
    Archives = listed ? std::move(*listed) : std::vector<TCatalogueEntry>();
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
    if (!listed)
        TMessageBox::Error(window(), Caption(), DisplayPath(listed.Failure().Describe()));
}

const TCatalogueEntry* TRestoreArchivePage::SelectedEntry() const {
    const QList<QTreeWidgetItem*> selected = lvArchives->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int row = lvArchives->indexOfTopLevelItem(selected.first());
    return row >= 0 && row < static_cast<int>(Archives.size()) ? &Archives[row] : nullptr;
}

void TRestoreArchivePage::lvArchivesChange() {
    const TCatalogueEntry* entry = SelectedEntry();
    cmdRestore->setEnabled(entry != nullptr);
    cmdRestorePath->setEnabled(entry != nullptr);
    ediRestorePath->setEnabled(entry != nullptr);
    cmdDeleteArchive->setEnabled(entry != nullptr);
    ediRestorePath->setText(entry ? DisplayPath(entry->OriginalPath) : QString());
    ediRestorePathChange();
}

void TRestoreArchivePage::lvArchivesEdited(QTreeWidgetItem* item, int column) {
    if (Filling || column != 0)
        return;
    const int row = lvArchives->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(Archives.size()))
        return;
    const std::string text = item->text(0).toStdString();
    if (const TStatus set = SetArchiveDescription(ArchivesFolder, Archives[row].Key, text))
        Archives[row].Description = text;
    else
        TMessageBox::Error(window(), Caption(), DisplayPath(set.Failure().Text));
}

void TRestoreArchivePage::ediRestorePathChange() {
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

void TRestoreArchivePage::cmdRestorePathClick() {
    TFolderBrowse browse;
    browse.Title = tr("Select the destination folder where you want to restore the selected folder "
                      "from the ZIP archive.");
    browse.Folder = ediRestorePath->text();
    if (browse.Execute(window()))
        ediRestorePath->setText(browse.Folder);
}

void TRestoreArchivePage::cmdDeleteArchiveClick() {
    DeleteSelectedArchive(true);
}

void TRestoreArchivePage::DeleteSelectedArchive(bool confirm) {
    const TCatalogueEntry* entry = SelectedEntry();
    if (!entry)
        return;
    if (confirm &&
        TMessageBox::Show(
            window(), TMessageKind::Confirmation, Caption(),
            tr("Really delete the ZIP archive that contains the folder '%1' ?")
                    .arg(DisplayPath(entry->FolderName)) +
                QStringLiteral("\r\n\r\n") +
                tr("Warning: You will not be able to restore any file from this folder if you "
                   "delete the ZIP archive."),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    if (const TStatus deleted = DeleteArchive(ArchivesFolder, entry->Key); !deleted)
        TMessageBox::Error(window(), Caption(), DisplayPath(deleted.Failure().Text));
    cbRestoreDrivesListChange();
}

void TRestoreArchivePage::cmdRestoreClick() {
    const TCatalogueEntry* selected = SelectedEntry();
    if (!selected)
        return;
    const TCatalogueEntry entry = *selected;
    std::string base = PathBytes(ediRestorePath->text());
    if (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty() || base[0] != '/') {
        TMessageBox::Error(window(), Caption(),
                           tr("Please give the full path of a folder to restore to."));
        return;
    }
    const std::string restored = IncludeTrailingBackslash(base) + entry.FolderName;
    // Files are replaced only inside a folder the user agreed to restore into.
    const bool overwrite = PathExists(restored);
    if (overwrite &&
        !TMessageBox::Confirm(window(), Caption(),
                              tr("The folder %1 already exists. Files in it with the same names as "
                                 "files in the archive will be replaced. Restore into it?")
                                  .arg(DisplayPath(restored))))
        return;

    Box.ShowProgressPage(tr("Now Restoring..."), 0, {});
    const auto zip = std::make_shared<TZipMaster>();
    zip->ZipFileName = ArchivesFolder + "/" + entry.Key;
    // Read on the worker, like the restore: the drive may not answer.
    const auto entries = std::make_shared<TResult<std::vector<TZipEntry>>>(Refusal({}));
    if (!Box.sheetProgress->Run(
            zip, [zip, entries] { *entries = zip->LoadEntries(); }, Box.GiveUpAfterStop)) {
        Box.FinishOperation(false);
        return;
    }
    // The component has said why it could not be read; Stop ends here too.
    if (!*entries || Box.sheetProgress->StopPressed()) {
        Box.FinishOperation(false);
        return;
    }
    std::int64_t total = 0;
    bool encrypted = false;
    for (const TZipEntry& e : **entries) {
        total += e.Size;
        encrypted = encrypted || e.Encrypted;
    }
    Box.sheetProgress->Reset(total);
    // The password is asked before anything is written.
    if (encrypted) {
        const QString password = Box.AskPassword(false, false);
        if (password.isEmpty()) {
            Box.FinishOperation(false);
            return;
        }
        zip->Password = password.toStdString();
    }
    const auto outcome = std::make_shared<TRestoreOutcome>();
    const bool deleteArchive = chkDeleteArchive->isChecked();
    bool answered = true;
    for (int attempt = 0; answered && attempt < 3; ++attempt) {
        answered = Box.sheetProgress->Run(
            zip,
            [zip, outcome, folder = ArchivesFolder, entry, base, deleteArchive, overwrite] {
                *outcome = RestoreArchive(*zip, folder, entry, base, deleteArchive, overwrite);
            },
            Box.GiveUpAfterStop);
        if (!answered || outcome->Restored || zip->LastError() != ZipBadPassword || attempt == 2)
            break;
        const QString password = Box.AskPassword(false, true);
        if (password.isEmpty())
            break;
        zip->Password = password.toStdString();
        Box.sheetProgress->Reset(total);
    }
    Box.DiskChanged = true;
    if (!answered) {
        Box.FinishOperation(false);
        return;
    }
    if (outcome->Restored) {
        Box.sheetProgress->ShowAllDone();
        QString done =
            tr("The folder %1 was successfully restored").arg(DisplayPath(outcome->RestoredPath));
        if (outcome->DroppedModeBits > 0)
            done += QStringLiteral("\r\n\r\n") +
                    tr("%n item(s) were restored without their set-user-ID, set-group-ID or "
                       "sticky bits.",
                       nullptr, static_cast<int>(outcome->DroppedModeBits));
        TMessageBox::Information(window(), Caption(), done);
        if (!outcome->Message.empty())
            TMessageBox::Error(window(), Caption(), DisplayPath(outcome->Message));
    } else {
        TMessageBox::Error(window(), Caption(), DisplayPath(outcome->Message));
    }
    // Only the drive the folder went to changed: a file system mounted
    // below a scanned drive is no part of that drive's tree.
    const std::string root = Box.DriveOf(restored);
    for (const QString& drive : Box.ScannedDrives) {
        if (PathBytes(drive) == root) {
            TMessageBox::Information(window(), Caption(),
                                     tr("You should rescan drive %1 as its contents has been "
                                        "changed since the last time you have scanned it.")
                                         .arg(drive));
            break;
        }
    }
    Box.FinishOperation(false);
}
