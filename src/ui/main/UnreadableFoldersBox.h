// "Unreadable Folders": every folder of the scanned trees whose listing
// failed, with the reason and what was read of it; a double click chooses
// one, and the list saves as comma-separated values.
#pragma once

#include "platform/Result.h"
#include "snapshot/ReadErrors.h"

#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

// The fields of one folder as the list shows them: path, reason, size so far.
QStringList ReadErrorCells(const TReadError& error);
// The list as comma-separated values: a heading line, then one line per
// folder with its size in bytes (empty when unknown), so a spreadsheet can
// add them up.
QByteArray ReadErrorsCsv(const std::vector<TReadError>& errors);

class TUnreadableFoldersBox : public QDialog {
    Q_OBJECT
public:
    explicit TUnreadableFoldersBox(QWidget* owner);

    void Show(std::vector<TReadError> errors);
    // Writes the list to a new file (raw-byte path), or says why it cannot.
    TStatus SaveCsv(const std::string& path) const;
    // The folder chosen by a double click (or OK on a selected row), valid
    // while the tree is not changed.
    const TFolderNode* ChosenNode() const { return ChosenFolder; }

    QLabel* txtUnreadableSummary = nullptr;
    QTableWidget* ErrorList = nullptr;
    QPushButton* btnSaveCsv = nullptr;

private:
    void Choose();
    void SaveCsvClick();

    std::vector<TReadError> Errors;
    const TFolderNode* ChosenFolder = nullptr;
};
