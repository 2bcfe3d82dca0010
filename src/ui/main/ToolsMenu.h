// The Tools menu: the file manager, the search and disk tools of the desktop,
// and the user's own tools read from TOOLS.INI, with the command that opens
// that file for editing.
#pragma once

#include "cleanup/ToolsList.h"

#include <QObject>

#include <initializer_list>
#include <string>
#include <vector>

class QAction;
class QMenu;
class TCommandRegistry;
class TWindowHost;

class TToolsMenu : public QObject {
    Q_OBJECT
public:
    TToolsMenu(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // Puts the user's tools after LT1, once the registry built the menu.
    void Attach(QMenu& menu);

private:
    // The user's tools after LT1, read again from TOOLS.INI.
    void ReloadTools();
    // Starts the tool of that place in CustomTools on the current folder.
    void RunTool(size_t index);
    void cmdToolsCustomizeClick();
    void cmdToolsWindowsExplorerClick();
    void cmdToolsWindowsSystemToolsClick();
    void cmdToolsFindFilesClick();

    // The desktop's disk utility, found on PATH when the window was made;
    // empty when there is none, and "System Tools" is then disabled.
    static std::string FindDiskTool();
    // The first of the programs found on PATH, as a path; empty for none.
    static std::string FindOnPath(std::initializer_list<const char*> names);

    TWindowHost& Host;
    QMenu* Menu = nullptr;
    // The separator above the user's own tools; hidden while there are none.
    QAction* LT1 = nullptr;
    std::string DiskTool = FindDiskTool();
    // The user's tools: their commands (raw bytes) and their items in the
    // Tools menu, in the same order.
    std::vector<std::string> CustomTools;
    std::vector<QAction*> ToolItems;
    TToolsFile ToolsFile;
    // The user heard that the tools file lists more tools than the menu takes.
    bool ToolsLimitTold = false;
};
