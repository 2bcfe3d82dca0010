// The folder picker of the move dialog: the folders of one drive as a tree,
// from its root down to the current folder, filled as folders are opened.
// Names are raw bytes, so a folder whose name is not UTF-8 can be chosen and
// reached again. Every listing runs through the platform layer's timed probe,
// so a dead network share costs a few seconds, never a frozen window.
#pragma once

#include <QTreeWidget>

#include <string>
#include <vector>

class TFolderListBox : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFolderListBox(QWidget* parent = nullptr);

    // Shows the drive whose root is root, with its root current. When the
    // root cannot be listed, nothing changes and error holds the errno
    // (ETIMEDOUT for a drive that does not answer).
    bool SetDrive(const std::string& root, int& error);
    // Opens the folders from the root down to path and makes path current.
    // A folder on the way that is missing or cannot be listed ends the walk
    // at its parent; false then.
    bool SetFolder(const std::string& path);

    // The root of the drive shown; empty before any drive was shown.
    const std::string& Drive() const { return Root; }
    // The current folder; empty before any drive was shown.
    std::string Folder() const;

    // The path of an item, raw bytes.
    static std::string PathOf(const QTreeWidgetItem* item);

    // How long a listing may take before the folder counts as unreadable.
    static constexpr int ListTimeoutMs = 2000;

signals:
    // The current folder changed, by the user or by the program.
    void OnChange();

private:
    // Adds a folder at index among parent's children (-1: last), or as the
    // root without a parent.
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const std::string& path, int index = -1);
    // Lists the subfolders of item once; false when they cannot be read.
    bool FillChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const std::string& name) const;
    void CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void MarkCurrent(QTreeWidgetItem* item, bool current);

    std::string Root;
    std::string Shown; // the current folder last announced
};

// The subfolders of path, links not followed, in the tree's name order; false
// with error set when path cannot be listed in time.
bool ListSubfolders(const std::string& path, std::vector<std::string>& names, int timeoutMs,
                    int& error);
