// The names the pie page's header gives the item it describes (the folder
// itself, or a file or subfolder under the mouse): its display name and its
// type name. Without icons or widgets, so the folder information report names
// the folder exactly as the header does.
#pragma once

#include <QString>

#include <string>

struct TPieItemNames {
    QString DisplayName;
    QString TypeName;
};

// The names of the item at `path` (raw bytes). For a file the type comes
// from its name alone: the header follows the mouse, and opening files on a
// slow drive to sniff their contents would make it lag.
TPieItemNames PieItemNames(const std::string& path, bool isFolder, bool isDriveRoot);
