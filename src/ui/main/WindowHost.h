// What a command module may ask of the window it serves: the session, the
// parent for its dialogs, the pages and a few parts of the layout. Modules
// depend on this and on the command registry, never on the window's class,
// so each can be made and tested with a host of a test's own.
#pragma once

#include "snapshot/ScanFile.h"
#include "ui/main/PageHost.h"

#include <memory>

class QString;
class QWidget;
class TBarChartBox;
class TFolderTreeModel;
class TLargestFilesBox;
class TPiePage;
class TSubfolderListModel;

// The five content pages, in tab order after the not-ready page.
enum TPageIndex {
    PagePie = 0,
    PageFolderInfo = 1,
    PageSubfolders = 2,
    PageWasted = 3,
    PageCleanUp = 4
};

// The parts of the window the View menu shows and hides.
enum class TWindowPart { Toolbar, StatusBar, FolderTree };

class TWindowHost : public TPageHost {
public:
    using TPageHost::Session;
    virtual TScanSession& Session() = 0;
    // The parent of the module's dialogs and message boxes.
    virtual QWidget* Window() = 0;
    virtual TFolderTreeModel& TreeModel() = 0;
    // Opens node's branch in the folder tree.
    virtual void ExpandInTree(const TFolderNode* node) = 0;

    virtual int CurrentPage() const = 0;
    virtual void ShowPage(int page) = 0;
    // The pages forget what they show, and with refresh fill the shown one
    // again.
    virtual void InvalidatePages(bool refresh) = 0;
    virtual void InvalidatePie() = 0;
    virtual void LayoutPage() = 0;
    // The pages let go of the tree's nodes (rows are about to leave it).
    virtual void DropNodeReferences() = 0;
    virtual void ApplyColors() = 0;
    virtual void UpdateCommands() = 0;
    virtual void ShowPart(TWindowPart part, bool on) = 0;

    // The drive chosen in the toolbar's drive box, and that box's list made
    // again (after a network drive came or went), keeping the choice.
    virtual QString ChosenDrive() const = 0;
    virtual void RebuildDriveList() = 0;

    virtual TBarChartBox* BarChartBox() const = 0;
    // The floating largest files window; none where the host has no such window.
    virtual TLargestFilesBox* LargestFilesBox() const { return nullptr; }
    virtual TPiePage& Pie() = 0;
    // The subfolder list of the current folder as its page shows it (its
    // filter, its order), filled now if it was not yet.
    virtual const TSubfolderListModel& SubfolderList() = 0;

    // Compares the current folder with `earlier`, the root of an earlier scan
    // of the same folder; false, after saying why, when it has no figures.
    virtual bool StartComparison(std::unique_ptr<TFolderNode> earlier, TScanFileInfo info) = 0;
    // Stops comparing with an earlier scan, if the window does.
    virtual void EndComparison() = 0;
};
