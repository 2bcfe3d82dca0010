// The floating "Largest Files" window: the largest files of the current
// folder's whole tree, following the current folder as the wasted-and-free
// window does. A double click selects a file's folder; the right button
// opens the item menu of the file, with the checks the pie's files get.
#pragma once

#include "engine/FileTable.h"
#include "models/LargestFilesModel.h"
#include "platform/Result.h"

#include <QWidget>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;
class TSettingsStore;
class TWindowHost;

class TLargestFilesBox : public QWidget {
    Q_OBJECT
public:
    TLargestFilesBox(TWindowHost& host, QWidget* owner);
    ~TLargestFilesBox() override;

    // The placement and the number of files as last left.
    void LoadSettings(const TSettingsStore& store);
    void SaveSettings(TSettingsStore& store) const;

    // Shows the window on the current folder.
    void Open();
    // The current folder, or its figures (refresh), changed: list it again
    // while the window is shown.
    void FollowCurrent(bool refresh);
    // Only the files of one extension; ClearExtension lists all again.
    void ShowExtension(TExtensionId extension);
    void ClearExtension();

    TLargestFilesModel& Model() { return Files; }
    // The table as comma-separated values, sizes in bytes.
    QByteArray Csv() const;
    TStatus SaveCsv(const std::string& path) const;

    QLabel* txtFolder = nullptr;
    QLabel* txtState = nullptr;
    QSpinBox* editCount = nullptr;
    QLineEdit* editFilter = nullptr;
    QPushButton* btnClearExtension = nullptr;
    QTableView* FileList = nullptr;
    QPushButton* btnSaveCsv = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowState();
    void RowMenu(const QPoint& pos);
    void RowDoubleClicked(const QModelIndex& index);
    void SaveCsvClick();
    // The cluster size the wasted space is shown at: the what-if one or the drive's.
    std::int32_t ClusterSizeInUse() const;

    TWindowHost& Host;
    TLargestFilesModel Files;
    // Tree changes come in bursts while a scan runs: one search per burst.
    QTimer* Later = nullptr;
    const TFolderNode* ShownNode = nullptr;
    std::int32_t ShownCluster = 0;
    // The tree changed since the list was made: make it again whatever else holds.
    bool Stale = false;
};
