// What a content page may ask of the window that holds it: the session's
// current folder and its drive, and a few moves through the tree. Nothing
// else of the window is a page's to touch.
#pragma once

#include "models/CurrentFolderContents.h"
#include "models/ScanSession.h"

#include <QString>

#include <cstdint>
#include <string>

class QPoint;
class QWidget;
class TProgramSettings;
class TScanComparison;
class TSectionSizeBox;

// The four ways the "Free Some Space" page frees the current folder's space.
enum class TCleanUpAction { Compress, Move, Trash, Delete };

// Whether the clean-up commands may act on node: not a drive's root, and not
// a folder of an opened scan file, which is not on the disk.
inline bool CanCleanUp(const TFolderNode* node) {
    return node && node->Parent && !IsOpenedScan(node);
}

class TPageHost {
public:
    virtual ~TPageHost() = default;

    virtual const TScanSession& Session() const = 0;
    // The program's settings (what the pie shows, colours, angles).
    virtual TProgramSettings& Settings() = 0;
    TFolderNode* CurrentNode() const { return Session().Current(); }
    const std::string& CurrentPath() const { return Session().CurrentPath(); }
    // The current folder's path on this disk: none for a folder of an
    // opened scan file, whose path names another time or machine.
    std::string CurrentDiskPath() const {
        return IsOpenedScan(CurrentNode()) ? std::string() : CurrentPath();
    }
    const std::string& CurrentDrive() const { return Session().CurrentDrive(); }
    std::int32_t CurrentClusterSize() const { return Session().CurrentClusterSize(); }
    std::int64_t CurrentDriveTotal() const { return Session().CurrentDriveTotal(); }
    int WhatIf() const { return Session().WhatIfIndex(); }

    // Makes node the current folder; false when it could not be (its drive
    // did not answer, it was gone).
    virtual bool SelectNode(TFolderNode* node) = 0;
    virtual bool SelectPath(const std::string& path) = 0;
    // Opens a subfolder of the current folder, expanding it in the tree
    // when the user wants that.
    virtual void OpenFolder(TFolderNode* node) = 0;
    // Selects the current folder's parent; with collapse, the folder and
    // everything below it close in the tree.
    virtual void GoUp(bool collapse) = 0;
    virtual void ShowBarChart() = 0;
    virtual void ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control) = 0;
    // Frees the current folder's space one of the four ways; nothing for a
    // drive's root.
    virtual void CleanUp(TCleanUpAction action) = 0;
    virtual void SetStatusText(int panel, const QString& text) = 0;
    // The subfolder list's filter changed: fill it again (and show it).
    virtual void InvalidateList(bool refresh) = 0;
    virtual bool NotReadyShown() const = 0;
    virtual TSectionSizeBox* SectionSizeBox() const = 0;
    // The earlier scan the pages show changes against; none most of the time.
    virtual const TScanComparison* Comparison() const = 0;
    // What the pages show of the current folder, which the reports write too.
    virtual const TCurrentFolderContents& Contents() const = 0;
};
