// Texts of the main window that several files share.
#pragma once

#include "settings/Product.h"

#include <QString>

namespace Strings {
inline QString ProductName() {
    return QString::fromLatin1(ProductTitle);
}
inline QString DefaultCaption() {
    return ProductName() + QStringLiteral(" Campus Edition");
}
inline QString NoScannedItems() {
    return QStringLiteral("No scanned items");
}
inline QString FolderNotScanned() {
    return QStringLiteral("Folder not scanned");
}
inline QString ScanNotFinished() {
    return QStringLiteral(
        "Quillmere has not finished gathering information about this %1.\r\n\r\nYou may wait "
        "until the %1 is completely scanned\r\n\r\nor\r\n\r\nyou may select another drive or "
        "folder from the left folder tree view.");
}
inline QString ScanInterrupted() {
    return QStringLiteral(
        "The scanning process was interrupted before Quillmere had finished scanning this "
        "%1.\r\n\r\nYou may rescan the %1\r\n\r\nor\r\n\r\nyou may select another drive or folder "
        "from the left folder tree view.");
}
inline QString NoDrivesScanned() {
    return QStringLiteral(
        "No drives have been scanned.\r\n\r\nTo scan a drive, select it in the drives list box "
        "located in the toolbar and press the 'Scan' toolbar button.");
}
inline QString ContextMenuNotReady() {
    return QStringLiteral("The context menu of the selected folder cannot be displayed because "
                          "Quillmere has not finished scanning the folder");
}
inline QString Done() {
    return QStringLiteral("Done.");
}
} // namespace Strings
