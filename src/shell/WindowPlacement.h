// Saving and restoring window placement, keeping restored windows where the
// user can reach them, and centring dialogs over the main window on the part
// of the screen that is free to use.
#pragma once

#include "settings/ConfigKeys.h"

#include <QList>
#include <QRect>
#include <optional>

class QWidget;
class TSettingsStore;

// The bounds kept for a window; each may be absent.
struct TKeptBounds {
    std::optional<int> Left;
    std::optional<int> Top;
    std::optional<int> Width;
    std::optional<int> Height;
};

// Where a window goes: each kept bound replaces the one of current (a width
// or height below 1 is ignored). A window whose title strip can still be
// grabbed on one of the screens' free areas stays where it was kept, shrunk to
// that screen when larger than it; any other window is moved onto the first
// area (the primary screen's), shrunk to it when larger. Bounds anywhere in
// the range of int give no overflow. With no areas the result is only made
// safe to use.
QRect PlaceOnScreens(const TKeptBounds& kept, const QRect& current, const QList<QRect>& areas);

// Applies the kept bounds through PlaceOnScreens, with the free areas of the
// screens that exist (the primary screen's first).
void RestoreBounds(QWidget* window, const TSettingsStore& store, const TBoundsKeys& keys);
void SaveBounds(const QWidget* window, TSettingsStore& store, const TBoundsKeys& keys);
// 0 normal, 1 minimised, 2 maximised; any other stored value is ignored.
void RestoreWindowState(QWidget* window, const TSettingsStore& store, const TConfigKey& key);
void SaveWindowState(const QWidget* window, TSettingsStore& store, const TConfigKey& key);
// The state SaveWindowState writes for a window.
int WindowStateCode(const QWidget* window);

// Places dialog centred over the visible part of mainWindow; nothing when
// either is null.
void CenterOverMainWindow(const QWidget* mainWindow, QWidget* dialog);
