// Paths as the windows show them: raw bytes to text and back, and the path
// ellipsis that fits a long path into a label of fixed width.
#pragma once

#include <QString>
#include <string>

class QFontMetrics;

// Text for display; bytes that are not valid UTF-8 show as replacement
// characters, so the text is never used to reach the file again.
QString DisplayPath(const std::string& path);
// The bytes of a path the user typed or chose in a Qt dialog.
std::string PathBytes(const QString& path);

// Replaces leading folders with "..." until the path fits maxWidth pixels:
// "/home/anna/Data/report.txt", "/.../anna/Data/report.txt", ...,
// "/.../report.txt", ".../report.txt", "report.txt". The file name itself is
// never cut, so the result may still be too wide.
QString MinimizePath(const QString& path, const QFontMetrics& metrics, int maxWidth);
