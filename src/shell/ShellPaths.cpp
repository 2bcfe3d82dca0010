// Path display helpers.
#include "shell/ShellPaths.h"

#include "engine/Formatting.h"

#include <QFile>
#include <QFontMetrics>

#include <algorithm>

QString DisplayPath(const std::string& path) {
    return DisplayText(path);
}

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

namespace {

const QString Ellipsis = QStringLiteral(".../");

// Drops the first folder of dir, or the "..." that stands for folders
// dropped before, and marks the gap with ".../".
QString CutFirstFolder(QString dir) {
    if (dir == QLatin1String("/"))
        return {};
    bool leadingSlash = dir.startsWith(QLatin1Char('/'));
    if (leadingSlash)
        dir.remove(0, 1);
    // Only an earlier ellipsis is skipped whole: hidden folders also start
    // with a dot.
    if (dir.startsWith(Ellipsis))
        dir.remove(0, Ellipsis.size());
    qsizetype slash = dir.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        dir = Ellipsis + dir.mid(slash + 1);
    else
        dir.clear();
    if (leadingSlash)
        dir.prepend(QLatin1Char('/'));
    return dir;
}

} // namespace

QString MinimizePath(const QString& path, const QFontMetrics& metrics, int maxWidth) {
    qsizetype lastSlash = path.lastIndexOf(QLatin1Char('/'));
    QString dir = path.left(lastSlash + 1);
    const QString name = path.mid(lastSlash + 1);
    QString result = path;
    // Text wider than its room has far more characters than the room has
    // pixels: a longer head is dropped at once, so a path of a million
    // folders is not measured once per folder.
    const qsizetype keep = 2 * static_cast<qsizetype>(std::max(maxWidth, 1)) + 8;
    if (dir.size() > keep) {
        const qsizetype cut = dir.indexOf(QLatin1Char('/'), dir.size() - keep);
        dir = (dir.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString()) + Ellipsis +
              dir.mid(cut + 1);
        result = dir + name;
    }
    while (!dir.isEmpty() && metrics.horizontalAdvance(result) > maxWidth) {
        if (dir == QLatin1String("/...") + QLatin1Char('/'))
            dir = Ellipsis;
        else
            dir = CutFirstFolder(dir);
        result = dir + name;
    }
    return result;
}
