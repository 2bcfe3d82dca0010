// The names the pie page's header gives the item it describes (the folder
// itself, or a file or subfolder under the mouse): its display name and its
// type name. Without icons or widgets, so the folder information report names
// the folder exactly as the header does.
#pragma once

#include <QString>

#include <string>

class TFolderNode;

struct TPieItemNames {
    QString DisplayName;
    QString TypeName;
};

// The names of the item at `path` (raw bytes). `root` is the item's node
// when the item is the top of a tree (a drive, an opened scan file), which
// is named as the tree names it. For a file the type comes from its name
// alone: the header follows the mouse, and opening files on a slow drive to
// sniff their contents would make it lag.
TPieItemNames PieItemNames(const std::string& path, bool isFolder, const TFolderNode* root);
