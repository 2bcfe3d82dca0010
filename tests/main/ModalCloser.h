// Closes whatever modal dialog opens while it lives, such as the start-up
// "Scan Drives" dialog of a window that has scanned nothing.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

class TModalCloser {
public:
    TModalCloser() {
        Timer.setInterval(20);
        QObject::connect(&Timer, &QTimer::timeout, &Timer, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        Timer.start();
    }

private:
    QTimer Timer;
};
