#include "ui/main/SubfoldersPage.h"

TSubfoldersPage::TSubfoldersPage(TMainForm& form, QWidget* parent) : TContentPage(form, parent) {}

void TSubfoldersPage::Fill() {}

void TSubfoldersPage::Layout() {}
