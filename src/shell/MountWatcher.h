// Tells when a file system has been mounted or unmounted, so that the drive
// lists follow the mount table while the program runs. The kernel marks the
// open mount table with POLLPRI on every change; the watcher waits for that
// in the event loop and never reads a drive.
#pragma once

#include "platform/DirReader.h"

#include <QObject>
#include <QTimer>

class QSocketNotifier;

class TMountWatcher : public QObject {
    Q_OBJECT
public:
    explicit TMountWatcher(QObject* parent = nullptr);
    ~TMountWatcher() override;

    // False where the mount table cannot be watched; MountsChanged never
    // fires then.
    bool Watching() const { return Notifier != nullptr; }

signals:
    // Shortly after the mount table changed; a burst of changes gives one.
    void MountsChanged();

private:
    void TableChanged();

    Platform::TFd Table;
    QSocketNotifier* Notifier = nullptr;
    QTimer Settle;
};
