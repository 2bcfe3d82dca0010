// Display and type names of pie items.
#include "models/PieItemNames.h"

#include "engine/Formatting.h"
#include "engine/Paths.h"

#include <QMimeDatabase>

TPieItemNames PieItemNames(const std::string& path, bool isFolder, bool isDriveRoot) {
    TPieItemNames names;
    if (isDriveRoot) {
        names.DisplayName = DisplayText(DisplayNameOf(path));
        names.TypeName = QStringLiteral("Root Folder of Drive");
        return names;
    }
    names.DisplayName = DisplayText(LastComponent(path));
    if (isFolder) {
        names.TypeName = QStringLiteral("Folder");
        return names;
    }
    names.TypeName = QStringLiteral("File");
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(names.DisplayName);
    if (!types.isEmpty()) {
        QString comment = types.front().comment();
        if (!comment.isEmpty()) {
            comment[0] = comment[0].toUpper();
            names.TypeName = comment;
        }
    }
    return names;
}
