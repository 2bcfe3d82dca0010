// The pictures of the pie page that Quillmere draws itself (the zoom cursors
// and the icons of the group sections), and what the section header shows for
// a file or folder: its display name, type name and icon.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <string>

class TFolderNode;

// A magnifying glass with "+" (zoom in) or "-" (zoom out); the hot spot is the
// middle of the lens.
QCursor MakeZoomCursor(bool zoomIn);

// The two icons of the group sections, 32 x 32: 0 a stack of files (every
// group but one), 1 a stack of folders ("Other smaller folders").
QPixmap MakeGroupIcon(int index);

struct TPieItemLook {
    QString DisplayName;
    QString TypeName;
    QIcon Icon;
};

// How the header shows the item at `path` (raw bytes): its names
// (PieItemNames; `root` is its node when it tops a tree) and an icon.
TPieItemLook LookOfPieItem(const std::string& path, bool isFolder, const TFolderNode* root);
