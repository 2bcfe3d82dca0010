// The "Subfolders" page: the list of the current folder's subfolders with its
// display type, filters and sorting, and the way up to the parent folder.
#pragma once

#include "models/SubfolderList.h"
#include "ui/main/ContentPage.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;
class TClickArea;
class TPathLabel;
class TSettingsStore;

// The list settings that a report run may change for its length, as the
// page's controls hold them: the two texts are what their boxes show.
struct TSubfolderListSettings {
    int DisplayType = DisplayAll;
    QString TopText;
    int LargerThanUnit = 1;
    QString LargerThanText;
    int SortCode = 1;
};

class TSubfoldersPage : public TContentPage {
    Q_OBJECT
public:
    TSubfoldersPage(TPageHost& host, QWidget* parent);

    void Fill() override;
    void Layout() override;

    // The five list settings, read at the window's creation and written at
    // its destruction.
    void LoadListSettings(const TSettingsStore& store);
    void SaveListSettings(TSettingsStore& store) const;

    // The filter as the controls hold it.
    TSubfolderFilter Filter() const;
    TSubfolderListModel& List() { return *Model; }
    // The list settings as the controls and the sort hold them, and the call
    // that sets all of them and fills the list again.
    TSubfolderListSettings ListSettings() const;
    void ApplyListSettings(const TSubfolderListSettings& settings);

    // Handlers, named after their components.
    void cbFoldersDisplayTypeChange();
    void FilterChange();
    void TheFilesListColumnClick(int column);
    void TheFilesListDblClick(const QModelIndex& index);
    void TheFilesListRightButton(const QPoint& pos);

    QWidget* panWebFolderListPath = nullptr;
    TPathLabel* txtWebFolderListPath = nullptr;
    QComboBox* cbFoldersDisplayType = nullptr;
    QLabel* txtFoldersTop = nullptr;
    QComboBox* cbFoldersTop = nullptr;
    QSpinBox* udFoldersLargerThan = nullptr;
    // The number edit of the up-down control.
    QLineEdit* ediFoldersLargerThan = nullptr;
    QComboBox* cbFoldersLargerThanBytes = nullptr;
    TClickArea* panWebListLevelUp = nullptr;
    QLabel* imgWebUpOneLevel = nullptr;
    QTableView* TheFilesList = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateHeader();
    void CreateList();
    // Sizes the comparison's columns and shows them after the size.
    void PlaceComparisonColumns();
    // Shows the filter controls of the chosen display type.
    void ShowFilterControls();
    // The subfolder a row stands for, while the list still shows the current folder.
    TFolderNode* RowNode(int row) const;

    TSubfolderListModel* Model = nullptr;
};
