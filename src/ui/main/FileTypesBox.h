// The floating "File Types" window: the files of the current folder's whole
// tree, per extension, grouped by kind, with their share of the folder. It
// follows the current folder while it is shown, counts off the window's
// thread, sorts by any column, and saves its list as comma-separated values.
// A click on an extension's row names that extension to whoever listens.
#pragma once

#include "engine/FileTable.h"
#include "platform/Result.h"

#include <QWidget>

#include <string>

class QLabel;
class QPushButton;
class QTreeView;
class TFileTypesModel;
class TPageHost;
class TSettingsStore;

// The rows as comma-separated values: a heading line, then one line per
// extension in the order shown, sizes in bytes.
QByteArray FileTypesCsv(const TFileTypesModel& model);

class TFileTypesBox : public QWidget {
    Q_OBJECT
public:
    explicit TFileTypesBox(QWidget* owner = nullptr);
    ~TFileTypesBox() override;

    // The placement as last left.
    void LoadSettings(const TSettingsStore& store);
    void SaveSettings(TSettingsStore& store) const;

    // Counts the host's current folder at the cluster size in use (the
    // drive's, or the one picked to compare with).
    void ShowCurrent(const TPageHost& host);
    const TFileTypesModel& Model() const { return *Types; }
    TStatus SaveCsv(const std::string& path) const;

    QLabel* txtFolder = nullptr;
    QLabel* txtState = nullptr;
    QTreeView* TypeList = nullptr;
    QPushButton* btnSaveCsv = nullptr;

signals:
    // The user clicked the row of an extension.
    void ExtensionChosen(TExtensionId extension);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void ModelChanged();
    void SaveCsvClick();

    TFileTypesModel* Types = nullptr;
};
