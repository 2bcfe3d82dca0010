// The "Subfolders" page: the list of the current folder's subfolders (or files) with its filters
// and sorting.
#pragma once

#include "ui/main/ContentPage.h"

class TSubfoldersPage : public TContentPage {
    Q_OBJECT
public:
    TSubfoldersPage(TMainForm& form, QWidget* parent);

    void Fill() override;
    void Layout() override;
};
