// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/windowstate.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QWidget>

namespace WindowState {
namespace {

const QString kGeometryKey = QStringLiteral("frmMain/geometry");
// A saved geometry is about 70 bytes; anything much larger was not written by us.
constexpr qint64 kMaxFileSize = 64 * 1024;

QString& settingsOverride() {
    static QString path;
    return path;
}

QScreen* screenFor(const QWidget* window) {
    if (QScreen* s = QGuiApplication::screenAt(window->geometry().center()))
        return s;
    return QGuiApplication::primaryScreen();
}

// Room for the frame and title bar, which the window manager adds around the window only
// once it is shown.
QRect usableArea(const QWidget* window, const QScreen* screen) {
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int frame = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    return screen->availableGeometry().adjusted(frame, titleBar + frame, -frame, -frame);
}

} // namespace

QRect FitInto(const QRect& geometry, const QRect& available, const QSize& minimum) {
    QRect r = geometry;
    r.setSize(r.size().boundedTo(available.size()).expandedTo(minimum));
    if (r.right() > available.right())
        r.moveRight(available.right());
    if (r.bottom() > available.bottom())
        r.moveBottom(available.bottom());
    if (r.left() < available.left())
        r.moveLeft(available.left());
    if (r.top() < available.top())
        r.moveTop(available.top());
    return r;
}

bool Restore(QWidget* window) {
    QByteArray saved;
    const QFileInfo file(SettingsFile());
    if (file.isFile() && file.size() <= kMaxFileSize) {
        const QSettings settings(SettingsFile(), QSettings::IniFormat);
        if (settings.status() == QSettings::NoError)
            saved = settings.value(kGeometryKey).toByteArray();
    }
    // restoreGeometry checks the data and refuses what it cannot read.
    const bool restored = !saved.isEmpty() && window->restoreGeometry(saved);
    const QScreen* screen = screenFor(window);
    if (!screen)
        return restored;
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return restored;
    const QRect area = usableArea(window, screen);
    if (restored) {
        window->setGeometry(FitInto(window->geometry(), area, window->minimumSize()));
    } else {
        QRect r = FitInto(QRect(area.topLeft(), window->size()), area, window->minimumSize());
        r.moveCenter(area.center());
        window->setGeometry(r);
    }
    return restored;
}

void Save(const QWidget* window) {
    QSettings settings(SettingsFile(), QSettings::IniFormat);
    settings.setValue(kGeometryKey, window->saveGeometry());
    settings.sync();
}

QString SettingsFile() {
    if (!settingsOverride().isEmpty())
        return settingsOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tessamail/window.ini");
}

void setSettingsFileOverride(const QString& path) {
    settingsOverride() = path;
}

} // namespace WindowState
