// A panel that tells when the mouse enters and leaves it; the clean-up menu
// panels of the main window highlight and explain the entry under the mouse.
#pragma once

#include <QFrame>

class TSensitivePanel : public QFrame {
    Q_OBJECT
public:
    explicit TSensitivePanel(QWidget* parent = nullptr) : QFrame(parent) {}

signals:
    void OnSensitiveActivate(TSensitivePanel* sender);
    void OnSensitiveDeactivate(TSensitivePanel* sender);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
