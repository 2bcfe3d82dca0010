// Runs a command body and shows what went wrong instead of letting an
// exception unwind through the event loop.
#pragma once

#include "shell/MessageBox.h"
#include "ui/main/Strings.h"

#include <QWidget>

#include <exception>

template <class F> void Guarded(QWidget* parent, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        TMessageBox::Error(parent, Strings::ProductName(), QString::fromLocal8Bit(e.what()));
    }
}
