// Display and type names of pie items.
#include "models/PieItemNames.h"

#include "engine/FolderNode.h"
#include "engine/Formatting.h"
#include "engine/Paths.h"
#include "models/FolderTreeModel.h"

#include <QMimeDatabase>

TPieItemNames PieItemNames(const std::string& path, bool isFolder, const TFolderNode* root) {
    TPieItemNames names;
    if (root) {
        // One name wherever the tree's top is named: an opened scan file's
        // says where and when it was made, which its path alone does not.
        const bool named = root->Drive && !root->Drive->Text.empty();
        names.DisplayName =
            named ? TFolderTreeModel::NodeText(root) : DisplayText(DisplayNameOf(path));
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
