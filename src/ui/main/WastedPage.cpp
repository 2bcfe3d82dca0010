#include "ui/main/WastedPage.h"

TWastedPage::TWastedPage(TMainForm& form, QWidget* parent) : TContentPage(form, parent) {}

void TWastedPage::Fill() {}

void TWastedPage::Layout() {}
