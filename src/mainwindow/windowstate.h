// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's size and position between runs. Kept in the per-user config folder
// (window.ini beside registry.ini), apart from tsm.usr, whose two-line format is fixed.
#include <QRect>
#include <QString>

class QWidget;

namespace WindowState {

// Geometry that lies wholly within available: made no larger than available (but never
// smaller than minimum), then moved in from every edge it crosses.
QRect FitInto(const QRect& geometry, const QRect& available, const QSize& minimum = QSize());

// Restores window's size and position from the settings file, onto a screen that exists.
// False when there is nothing usable (no file, damaged data): the window is then sized to
// its preferred size within the screen it opens on.
bool Restore(QWidget* window);
// Saves window's size and position; a failed write only means the next start uses the
// default size.
void Save(const QWidget* window);

QString SettingsFile();
// Tests point the settings file elsewhere; empty restores the real one.
void setSettingsFileOverride(const QString& path);

} // namespace WindowState
