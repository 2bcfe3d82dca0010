// Saving and restoring window placement, and centring dialogs over the main
// window on the part of the screen that is free to use.
#pragma once

#include "ConfigKeys.h"

class QWidget;
class TSettingsStore;

// Applies each stored bound that is present, independently; no screen check.
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
