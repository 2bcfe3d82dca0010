// What the main window asks of each of its content pages. A page shows the
// window's current node; the window decides when (its page caches), the page
// decides how.
#pragma once

#include <QWidget>

class TMainForm;

class TContentPage : public QWidget {
    Q_OBJECT
public:
    TContentPage(TMainForm& form, QWidget* parent) : QWidget(parent), Form(form) {}

    // Rebuilds the page for the window's current node, which has a record.
    virtual void Fill() = 0;
    // Lays the page out for its current size (also after every resize).
    virtual void Layout() = 0;

protected:
    TMainForm& Form;
};
