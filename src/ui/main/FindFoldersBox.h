// Quillmere's own search, where the desktop has no search tool: folders and
// kept files of the scanned tree whose names match a pattern with * and ?,
// with their folders, sizes and times; choosing a row (double click, or OK)
// chooses its folder. The matching runs on a background job over a snapshot
// of the tree (models/TreeSearch.h), so a tree of millions of files leaves
// the window answering; the box says when the scan kept no files to search.
#pragma once

#include "engine/FolderNode.h"
#include "platform/BackgroundJob.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TFindFoldersBox : public QDialog {
    Q_OBJECT
public:
    TFindFoldersBox(const TFolderTree& tree, QWidget* owner);
    ~TFindFoldersBox() override;

    // Fills the results for the pattern, at most MaxResults rows; returns
    // when they are in (or the search was stopped), the window's events
    // running meanwhile.
    void Find(const QString& pattern);
    // The folder chosen (raw bytes): a folder row's own, a file row's folder.
    const std::string& ChosenPath() const { return Chosen; }

    static constexpr int MaxResults = 5000;
    // The columns of lvResults.
    enum TColumn { ColName, ColKind, ColFolder, ColSize, ColModified };

    QLineEdit* ediPattern = nullptr;
    QPushButton* cmdFind = nullptr;
    QTreeWidget* lvResults = nullptr;
    QLabel* lblStatus = nullptr;
    // Says that files were not kept, when a scan did not keep them.
    QLabel* lblNotKept = nullptr;

protected:
    void done(int result) override;

private:
    void Choose();

    const TFolderTree& Tree;
    std::string Chosen;
    std::shared_ptr<TBackgroundJob> Search; // while one runs
};
