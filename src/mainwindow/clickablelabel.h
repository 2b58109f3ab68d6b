// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label that acts on a click or double-click (the clipboard size, the text box size and
// the language labels). It can take the keyboard focus by Tab, and Space or Enter click it,
// so these actions are not mouse-only.
#include <QLabel>

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    void activated(); // Space or Enter while it has the focus

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
