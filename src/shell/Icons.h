// Icons that show with or without a desktop session: the desktop's icon theme
// when one is installed, else the Qt style's standard pixmaps.
#pragma once

#include <QIcon>
#include <QStyle>

// Adds the system icon folders to Qt's theme search path and picks an
// installed theme when the session names none. Called once at start-up;
// calling again does no harm.
void InitIconThemes();

// The named theme icon, else the style's standard icon.
QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback);

QIcon FolderIcon();
// Quillmere's own icon: the installed one where there is one, else the one
// built into the program.
QIcon AppIcon();
QIcon FileIcon();
