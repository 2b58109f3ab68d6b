// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/accessibleroles.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QScrollBar>
#include <QWidget>

namespace AccessibleRoles {

namespace {

QAccessibleInterface* ownRole(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("frmMain") || className == QLatin1String("frmHelp"))
        return widget->isWindow() ? new QAccessibleWidget(widget, QAccessible::Window) : nullptr;
    // A line between parts of a window is a separator, not a frame around something.
    if (className == QLatin1String("QFrame")) {
        const auto* frame = static_cast<QFrame*>(widget);
        if (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine)
            return new QAccessibleWidget(widget, QAccessible::Separator);
    }
    return nullptr;
}

} // namespace

void Install() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(ownRole);
}

void NameScrollBars(QAbstractScrollArea* area) {
    const QString name = area->accessibleName();
    area->horizontalScrollBar()->setAccessibleName(name);
    area->verticalScrollBar()->setAccessibleName(name);
}

} // namespace AccessibleRoles
