// The mount watcher over the kernel's change mark on /proc/self/mountinfo.
#include "shell/MountWatcher.h"

#include "platform/Mounts.h"

#include <QSocketNotifier>

namespace {

// Mounting a disk, a share or a tree of bind mounts changes the table several
// times within a few milliseconds; one rebuild shortly after the first change
// sees them all. A later change starts the wait anew.
constexpr int SettleMs = 100;

} // namespace

TMountWatcher::TMountWatcher(QObject* parent)
    : QObject(parent), Table(Platform::OpenMountTableWatch()) {
    Settle.setSingleShot(true);
    Settle.setInterval(SettleMs);
    connect(&Settle, &QTimer::timeout, this, &TMountWatcher::MountsChanged);
    if (!Table.Valid())
        return; // no /proc: the lists stay as built, as they did before watching
    Notifier = new QSocketNotifier(Table.Get(), QSocketNotifier::Exception, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TMountWatcher::TableChanged);
}

TMountWatcher::~TMountWatcher() {
    // The notifier must leave the event loop before its descriptor closes.
    delete Notifier;
}

void TMountWatcher::TableChanged() {
    Platform::ReadThroughMountTableWatch(Table.Get());
    // Not restarted: a table that keeps changing (containers starting) must
    // not hold the lists back for as long as it does.
    if (!Settle.isActive())
        Settle.start();
}
