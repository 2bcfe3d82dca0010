#include "ui/main/PiePage.h"

TPiePage::TPiePage(TMainForm& form, QWidget* parent) : TContentPage(form, parent) {}

void TPiePage::Fill() {}

void TPiePage::Layout() {}
