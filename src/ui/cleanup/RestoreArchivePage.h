// The archive dialog's "Restore Folder" page: the archives stored on a drive,
// their descriptions (edited in place), deleting one, and restoring one to
// the place it came from or another, on the dialog's progress page.
#pragma once

#include "cleanup/ArchiveStore.h"

#include <QWidget>

#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TCleanUpCompressFolderBox;
class TPlainDrivePicker;

class TRestoreArchivePage : public QWidget {
    Q_OBJECT
public:
    // box shows the progress page, asks for passwords and keeps the results.
    explicit TRestoreArchivePage(TCleanUpCompressFolderBox& box);

    TPlainDrivePicker* cbRestoreDrivesList = nullptr;
    QTreeWidget* lvArchives = nullptr;
    QLineEdit* ediRestorePath = nullptr;
    QPushButton* cmdRestorePath = nullptr;
    QCheckBox* chkDeleteArchive = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdDeleteArchive = nullptr;

    void cbRestoreDrivesListChange();
    void lvArchivesChange();
    void ediRestorePathChange();
    void cmdRestorePathClick();
    void cmdRestoreClick();
    void cmdDeleteArchiveClick();

private:
    void lvArchivesEdited(QTreeWidgetItem* item, int column);
    void DeleteSelectedArchive(bool confirm);
    const TCatalogueEntry* SelectedEntry() const;

    TCleanUpCompressFolderBox& Box;
    std::string ArchivesFolder;
    std::vector<TCatalogueEntry> Archives; // rows of lvArchives, in order
    bool Filling = false;
};
