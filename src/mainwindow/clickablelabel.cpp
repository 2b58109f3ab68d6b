// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/clickablelabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit activated();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

// A label draws no focus frame of its own; underlining shows where the focus is.
void ClickableLabel::focusInEvent(QFocusEvent* event) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QLabel::focusInEvent(event);
}

void ClickableLabel::focusOutEvent(QFocusEvent* event) {
    QFont f = font();
    f.setUnderline(false);
    setFont(f);
    QLabel::focusOutEvent(event);
}
