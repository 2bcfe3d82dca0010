// The "Pie Chart" page: the current folder as a pie of its subfolders and files, with a header
// describing the item under the mouse.
#pragma once

#include "ui/main/ContentPage.h"

class TPiePage : public TContentPage {
    Q_OBJECT
public:
    TPiePage(TMainForm& form, QWidget* parent);

    void Fill() override;
    void Layout() override;
};
