// The "Folder Info" page: the figures of the current folder and of its whole tree.
#pragma once

#include "ui/main/ContentPage.h"

class TFolderInfoPage : public TContentPage {
    Q_OBJECT
public:
    TFolderInfoPage(TMainForm& form, QWidget* parent);

    void Fill() override;
    void Layout() override;
};
