// Mouse enter and leave for TSensitivePanel.
#include "shell/SensitivePanel.h"

void TSensitivePanel::enterEvent(QEnterEvent* event) {
    QFrame::enterEvent(event);
    emit OnSensitiveActivate(this);
}

void TSensitivePanel::leaveEvent(QEvent* event) {
    QFrame::leaveEvent(event);
    emit OnSensitiveDeactivate(this);
}
