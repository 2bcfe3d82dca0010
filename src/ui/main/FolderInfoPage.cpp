#include "ui/main/FolderInfoPage.h"

TFolderInfoPage::TFolderInfoPage(TMainForm& form, QWidget* parent) : TContentPage(form, parent) {}

void TFolderInfoPage::Fill() {}

void TFolderInfoPage::Layout() {}
