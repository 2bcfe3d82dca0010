#include "snapshot/ScanFile.h"

#include "engine/Formatting.h"

#include <QCoreApplication>

QString ScanFileTitle(const TScanFileInfo& info) {
    const QString program =
        info.ProgramVersion.empty()
            ? DisplayText(info.Program)
            : DisplayText(info.Program) + QLatin1Char(' ') + DisplayText(info.ProgramVersion);
    const QString made =
        info.Timestamp > 0 ? FormatFileTime(UnixToFileTime(info.Timestamp, 0)) : QString();
    QString text = DisplayText(info.RootPath);
    if (!info.Program.empty())
        text += QCoreApplication::translate("ScanFile", ", scanned by %1").arg(program);
    if (!made.isEmpty())
        text += QCoreApplication::translate("ScanFile", " on %1").arg(made);
    return text +
           QCoreApplication::translate("ScanFile", ", from %1").arg(DisplayText(info.SourceFile));
}
