// Freeing space: the context menu of an item of the current folder, the
// "Free Some Space" page's Archive, Move, Send To Trash and Delete, and
// "Restore Compressed Folders...". Each tells the session afterwards, so
// the tree is repaired where the disk changed.
#pragma once

#include "ui/main/PageHost.h"

#include <QObject>
#include <QStringList>

class QPoint;
class QWidget;
class TCommandRegistry;
class TWindowHost;
struct TPieItem;

class TCleanUpCommands : public QObject {
    Q_OBJECT
public:
    TCleanUpCommands(TCommandRegistry& commands, TWindowHost& host, QObject* parent);

    // The context menu of a folder or file of the current folder (a pie
    // item, a subfolder row, a tree node), and the tree's repair after it.
    void ShowItemMenu(const TPieItem& item, const QPoint& pos, QWidget* control);
    // Frees the current folder's space one of the four ways; nothing for a
    // drive's root.
    void CleanUp(TCleanUpAction action);

private:
    // Root paths of the scanned drives, as text.
    QStringList ScannedDriveList() const;
    void RestoreCompressedFolders();

    TWindowHost& Host;
};
