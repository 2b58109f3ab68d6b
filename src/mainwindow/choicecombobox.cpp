// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/choicecombobox.h"

#include <QKeyEvent>
#include <QWheelEvent>

ChoiceComboBox::ChoiceComboBox(QWidget* parent) : QComboBox(parent) {
    // Qt reports both kinds of selection as activated; the closed box's own key and wheel
    // handling is what tells a step from a choice.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!m_stepping)
            emit chosen(index);
    });
}

void ChoiceComboBox::keyPressEvent(QKeyEvent* event) {
    // The opened list takes its keys itself; what reaches the box is a step.
    m_stepping = true;
    QComboBox::keyPressEvent(event);
    m_stepping = false;
}

void ChoiceComboBox::wheelEvent(QWheelEvent* event) {
    m_stepping = true;
    QComboBox::wheelEvent(event);
    m_stepping = false;
}
