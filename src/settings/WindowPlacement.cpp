// Window placement through the settings store.
#include "WindowPlacement.h"

#include "SettingsStore.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

void RestoreBounds(QWidget* window, const TSettingsStore& store, const TBoundsKeys& keys) {
    if (!window)
        return;
    int left = store.Int(keys.Left, AbsentValue);
    int top = store.Int(keys.Top, AbsentValue);
    int width = store.Int(keys.Width, AbsentValue);
    int height = store.Int(keys.Height, AbsentValue);
    QPoint pos = window->pos();
    if (left != AbsentValue)
        pos.setX(left);
    if (top != AbsentValue)
        pos.setY(top);
    window->move(pos);
    QSize size = window->size();
    // A zero or negative stored size would make the window vanish.
    if (width != AbsentValue && width > 0)
        size.setWidth(width);
    if (height != AbsentValue && height > 0)
        size.setHeight(height);
    window->resize(size);
}

void SaveBounds(const QWidget* window, TSettingsStore& store, const TBoundsKeys& keys) {
    if (!window)
        return;
    store.SetInt(keys.Left, window->x());
    store.SetInt(keys.Top, window->y());
    store.SetInt(keys.Width, window->width());
    store.SetInt(keys.Height, window->height());
}

void RestoreWindowState(QWidget* window, const TSettingsStore& store, const TConfigKey& key) {
    if (!window)
        return;
    switch (store.Int(key, AbsentValue)) {
    case 0:
        window->setWindowState(window->windowState() &
                               ~(Qt::WindowMinimized | Qt::WindowMaximized));
        break;
    case 1:
        window->setWindowState((window->windowState() & ~Qt::WindowMaximized) |
                               Qt::WindowMinimized);
        break;
    case 2:
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) |
                               Qt::WindowMaximized);
        break;
    default:
        break;
    }
}

int WindowStateCode(const QWidget* window) {
    Qt::WindowStates state = window->windowState();
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & Qt::WindowMaximized)
        return 2;
    return 0;
}

void SaveWindowState(const QWidget* window, TSettingsStore& store, const TConfigKey& key) {
    if (window)
        store.SetInt(key, WindowStateCode(window));
}

void CenterOverMainWindow(const QWidget* mainWindow, QWidget* dialog) {
    if (!mainWindow || !dialog)
        return;
    QScreen* screen = mainWindow->screen();
    if (!screen)
        return;
    if (!dialog->testAttribute(Qt::WA_Resized))
        dialog->adjustSize();
    // Work in coordinates of the available area, as if it began at 0,0.
    QRect area = screen->availableGeometry();
    QRect m = mainWindow->frameGeometry().translated(-area.topLeft());
    QSize d = dialog->frameGeometry().size();
    int w = std::min(m.width(), area.width() - m.left());
    int h = std::min(m.height(), area.height() - m.top());
    int left = m.left() + (w - d.width()) / 2;
    int top = m.top() + (h - d.height()) / 2;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (left + d.width() > area.width())
        left = area.width() - d.width();
    if (top + d.height() > area.height())
        top = area.height() - d.height();
    dialog->move(area.left() + left, area.top() + top);
}
