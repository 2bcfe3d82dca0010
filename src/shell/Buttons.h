// A dialog's push button that tests find by name and that Enter never
// presses by itself: the dialogs choose their one default button.
#pragma once

#include <QPushButton>
#include <QString>

inline QPushButton* MakeButton(QWidget* parent, const QString& text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}
