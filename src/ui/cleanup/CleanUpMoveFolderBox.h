// The "Move Folder" dialog: where to move the folder of the tree, which
// drives would waste less of its space (and by how much), and the move itself
// in a progress window. The folder may land anywhere the user types; the
// drives with smaller clusters are only a suggestion.
#pragma once

#include "engine/FolderSize.h"
#include "platform/FileOps.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;
class QTreeWidget;
class TFolderListBox;
class TPlainDrivePicker;

class TCleanUpMoveFolderBox : public QDialog {
    Q_OBJECT
public:
    explicit TCleanUpMoveFolderBox(QWidget* owner = nullptr);

    // The folder to move. `scanned` is what the scan saw there, so that a
    // folder put in its place since is not moved; without it the folder at
    // path is taken as it is now.
    void SetSource(const std::string& path,
                   std::optional<Platform::TScannedItem> scanned = std::nullopt);
    // The folder's wasted space as the pages show it now.
    void SetWastedOnSource(std::int64_t wasted);
    // Lists the drives on which the folder would waste less: those with
    // smaller clusters than its own drive's, with what moving there gains.
    void FillWastingList(const TFolderSize& record, int whatIfIndex);

    const std::string& SourcePath() const { return Source; }
    // The target as raw bytes: the folder proposed by the pickers while the
    // text is theirs, else the bytes of the text the user typed.
    std::string TargetPath() const;

    // The cluster size of a drive root; ClusterSizeOf unless a test sets
    // another.
    std::function<std::int32_t(const std::string& root)> ClusterSizeOfRoot;

    QLabel* capFolderSource = nullptr;
    QLineEdit* ediFolderSource = nullptr;
    QLabel* capFolderTarget = nullptr;
    QLineEdit* ediFolderTarget = nullptr;
    TFolderListBox* lbFolders = nullptr;
    TPlainDrivePicker* cbDrives = nullptr;
    QLabel* txtWastedOnSource = nullptr;
    QGroupBox* GroupBox1 = nullptr; // the drives with smaller clusters
    QTreeWidget* lvWasting = nullptr;
    QLabel* txtNote = nullptr;
    QLabel* txtImportant = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

public slots:
    void cbDrivesChange();
    void lbFoldersChange();
    void lvWastingChange();
    void ediFolderTargetChange();
    void cmdOKClick();
    void cmdHelpClick();

private:
    void FormCreate();
    // Runs the move in the progress window and tells how it ended; true when
    // the source may have changed.
    bool RunMove(const std::string& target);

    std::string Source;
    Platform::TScannedItem SourceItem;
    // The folder last proposed by the pickers, and its text in the edit.
    std::string ProposedTarget;
    QString ProposedText;
    // Set while cbDrives is put back after a drive that could not be listed.
    bool RevertingDrive = false;
};
