// Window placement through the settings store.
#include "shell/WindowPlacement.h"

#include "settings/SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// How much of a window's top edge must lie on a screen for the user to take
// hold of it: a title bar's height, and a stretch of it wide enough to grab.
constexpr qint64 GrabHeight = 24;
constexpr qint64 GrabWidth = 64;

// Bounds in 64 bits, so that a kept value at either end of int overflows
// nothing.
struct TSpan {
    qint64 Left;
    qint64 Top;
    qint64 Width;
    qint64 Height;
};

qint64 Overlap(qint64 start, qint64 length, qint64 areaStart, qint64 areaLength) {
    return std::max<qint64>(0, std::min(start + length, areaStart + areaLength) -
                                   std::max(start, areaStart));
}

bool CanGrab(const TSpan& window, const QRect& area) {
    const qint64 strip = std::min(window.Height, GrabHeight);
    return Overlap(window.Top, strip, area.top(), area.height()) >= strip &&
           Overlap(window.Left, window.Width, area.left(), area.width()) >=
               std::min(window.Width, GrabWidth);
}

// length is no more than areaLength.
qint64 Inside(qint64 start, qint64 length, qint64 areaStart, qint64 areaLength) {
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

} // namespace

QRect PlaceOnScreens(const TKeptBounds& kept, const QRect& current, const QList<QRect>& areas) {
    TSpan window{kept.Left.value_or(current.x()), kept.Top.value_or(current.y()),
                 kept.Width && *kept.Width > 0 ? *kept.Width : current.width(),
                 kept.Height && *kept.Height > 0 ? *kept.Height : current.height()};
    if (areas.isEmpty()) {
        constexpr qint64 limit = QWIDGETSIZE_MAX;
        return QRect(static_cast<int>(std::clamp(window.Left, -limit, limit)),
                     static_cast<int>(std::clamp(window.Top, -limit, limit)),
                     static_cast<int>(std::clamp<qint64>(window.Width, 0, limit)),
                     static_cast<int>(std::clamp<qint64>(window.Height, 0, limit)));
    }
    // Of the screens it can be grabbed on, the one that shows most of it.
    const QRect* home = nullptr;
    qint64 shown = -1;
    for (const QRect& area : areas) {
        if (!CanGrab(window, area))
            continue;
        const qint64 overlap = Overlap(window.Left, window.Width, area.left(), area.width()) *
                               Overlap(window.Top, window.Height, area.top(), area.height());
        if (overlap > shown) {
            shown = overlap;
            home = &area;
        }
    }
    const bool reachable = home != nullptr;
    if (!reachable)
        home = &areas.first();
    const bool tooWide = window.Width > home->width();
    const bool tooHigh = window.Height > home->height();
    window.Width = std::min<qint64>(window.Width, home->width());
    window.Height = std::min<qint64>(window.Height, home->height());
    if (!reachable || tooWide)
        window.Left = Inside(window.Left, window.Width, home->left(), home->width());
    if (!reachable || tooHigh)
        window.Top = Inside(window.Top, window.Height, home->top(), home->height());
    return QRect(static_cast<int>(window.Left), static_cast<int>(window.Top),
                 static_cast<int>(window.Width), static_cast<int>(window.Height));
}

void RestoreBounds(QWidget* window, const TSettingsStore& store, const TBoundsKeys& keys) {
    if (!window)
        return;
    auto kept = [&store](const TConfigKey& key) -> std::optional<int> {
        const int value = store.Int(key, AbsentValue);
        return value == AbsentValue ? std::nullopt : std::optional<int>(value);
    };
    const TKeptBounds bounds{kept(keys.Left), kept(keys.Top), kept(keys.Width), kept(keys.Height)};
    if (!bounds.Left && !bounds.Top && !bounds.Width && !bounds.Height)
        return;
    QList<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.append(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.append(screen->availableGeometry());
    const QRect current(window->pos(), window->size());
    QRect placed = PlaceOnScreens(bounds, current, areas);
    window->resize(placed.size());
    // Its contents may not let the window be as small as that: the place is
    // found again for the size it took.
    if (window->size() != placed.size()) {
        TKeptBounds taken = bounds;
        taken.Width = window->width();
        taken.Height = window->height();
        placed = PlaceOnScreens(taken, current, areas);
    }
    window->move(placed.topLeft());
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
