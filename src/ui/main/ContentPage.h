// What the main window asks of each of its content pages. A page shows the
// session's current folder; the window decides when (its page caches), the
// page decides how. A page reaches the window only through TPageHost.
#pragma once

#include "ui/main/PageHost.h"

#include <QWidget>

class TContentPage : public QWidget {
    Q_OBJECT
public:
    TContentPage(TPageHost& host, QWidget* parent) : QWidget(parent), Host(host) {}

    // Rebuilds the page for the current folder, which has a record.
    virtual void Fill() = 0;
    // Lays the page out for its current size (also after every resize).
    virtual void Layout() = 0;

protected:
    TPageHost& Host;
};
