// Quillmere's own search, where the desktop has no search tool: folders of
// the scanned tree whose names match a pattern with * and ?, with their
// paths and sizes; a double click chooses one. Only folders are kept by a
// scan, so only folders are found.
#pragma once

#include "engine/FolderNode.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QTreeWidget;

class TFindFoldersBox : public QDialog {
    Q_OBJECT
public:
    TFindFoldersBox(const TFolderTree& tree, QWidget* owner);

    // Fills the results for the pattern; at most MaxResults rows.
    void Find(const QString& pattern);
    // The folder chosen by a double click (or OK on a selected row), raw bytes.
    const std::string& ChosenPath() const { return Chosen; }

    static constexpr int MaxResults = 5000;

    QLineEdit* ediPattern = nullptr;
    QTreeWidget* lvResults = nullptr;

private:
    void Choose();

    const TFolderTree& Tree;
    std::string Chosen;
};
