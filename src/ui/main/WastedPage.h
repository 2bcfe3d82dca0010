// The "Wasted Space" page: the current folder's wasted space at the drive's cluster size and at
// each what-if size.
#pragma once

#include "ui/main/ContentPage.h"

class TWastedPage : public TContentPage {
    Q_OBJECT
public:
    TWastedPage(TMainForm& form, QWidget* parent);

    void Fill() override;
    void Layout() override;
};
