// The folder browse dialog: one use, then freed. Drive roots and any other
// folder can be chosen.
#pragma once

#include <QString>

class QWidget;

class TFolderBrowse {
public:
    // Shows the dialog over parent (the active window when null). True when a
    // folder was chosen; Folder then holds its path. Cancel leaves Folder as
    // it was.
    bool Execute(QWidget* parent = nullptr);

    QString Title;  // the instruction shown with the dialog
    QString Folder; // in: selected when the dialog opens; out: the choice
};
