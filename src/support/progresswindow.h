// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window shown while the program waits for work on a worker thread: the command's
// caption as title, a line of text, a busy indicator and Cancel. Accepted when the work is
// done, rejected by Cancel or Escape.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class frmProgress : public QDialog {
    Q_OBJECT
public:
    frmProgress(const QString& caption, const QString& text, QWidget* parent = nullptr);

    QLabel* lblProgress;
    QProgressBar* prgBusy;
    QPushButton* cmdCancel;
};
