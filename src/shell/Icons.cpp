// Icon lookup with a fallback for bare systems.
#include "shell/Icons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

void InitIconThemes() {
    QStringList paths = QIcon::themeSearchPaths();
    QStringList wanted{QDir::homePath() + QStringLiteral("/.local/share/icons"),
                       QDir::homePath() + QStringLiteral("/.icons")};
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        wanted.append(dir + QStringLiteral("/icons"));
    wanted.append(QStringLiteral("/usr/share/pixmaps"));
    for (const QString& dir : wanted) {
        if (!paths.contains(dir) && QFileInfo(dir).isDir())
            paths.append(dir);
    }
    QIcon::setThemeSearchPaths(paths);

    // Without a desktop session Qt knows no theme, and "hicolor" alone holds
    // next to nothing; take a full theme that is installed.
    QString current = QIcon::themeName();
    if (current.isEmpty() || current == QLatin1String("hicolor")) {
        for (const char* theme : {"breeze", "Adwaita", "oxygen", "gnome", "Tango"}) {
            bool found = false;
            for (const QString& dir : paths)
                found = found || QFileInfo(dir + QLatin1Char('/') + QLatin1String(theme) +
                                           QStringLiteral("/index.theme"))
                                     .exists();
            if (found) {
                QIcon::setThemeName(QString::fromLatin1(theme));
                break;
            }
        }
    }
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    if (!icon.isNull() && !icon.pixmap(16, 16).isNull())
        return icon;
    return QApplication::style()->standardIcon(fallback);
}

QIcon AppIcon() {
    // Resources of a static library are linked in only when something names them.
    static const bool loaded = [] {
        Q_INIT_RESOURCE(appicon);
        return true;
    }();
    (void)loaded;
    return QIcon::fromTheme(QStringLiteral("quillmere"), QIcon(QStringLiteral(":/quillmere.svg")));
}

QIcon FolderIcon() {
    return ThemeIcon("folder", QStyle::SP_DirIcon);
}

QIcon FileIcon() {
    return ThemeIcon("text-x-generic", QStyle::SP_FileIcon);
}
