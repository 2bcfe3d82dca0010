// What kind of file an extension stands for, by the shared MIME database's
// name patterns alone (never by reading a file): looked up once per
// extension number, however many files carry it. Colours go with the kinds,
// so every view that shows them agrees.
#pragma once

#include "engine/FileTable.h"

#include <QColor>
#include <QString>

enum class TFileCategory {
    Images,
    Video,
    Audio,
    Documents,
    Archives,
    Programs,
    SourceCode,
    Other,
};
inline constexpr int FileCategoryCount = 8;

QString FileCategoryName(TFileCategory category);
QColor FileCategoryColor(TFileCategory category);
// The kind of files with this extension; any thread may ask.
TFileCategory FileCategoryOf(TExtensionId extension);
// The kind a MIME type's name (and the types it inherits from) gives.
TFileCategory FileCategoryOfMime(const QString& name, const QStringList& parents);
