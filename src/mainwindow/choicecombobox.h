// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A drop-down list that tells a choice made in its opened list (a click, or Enter on an
// entry) from a step through the closed box (arrow keys, Page Up/Down, Home/End, typing a
// first letter, the mouse wheel). Both change the selection; only a choice means the user is
// done with the list, so only a choice may move the focus on.
#include <QComboBox>

class ChoiceComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceComboBox(QWidget* parent = nullptr);

signals:
    // The user chose the entry at index in the opened list.
    void chosen(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_stepping = false;
};
