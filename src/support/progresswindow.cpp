// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/progresswindow.h"

#include "text/programtext.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmProgress::frmProgress(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    // Only Cancel ends the wait early; the frame's close button acts as Cancel (reject).
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    lblProgress = new QLabel(text, this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setWordWrap(true);
    layout->addWidget(lblProgress);

    prgBusy = new QProgressBar(this);
    prgBusy->setObjectName(QStringLiteral("prgBusy"));
    prgBusy->setRange(0, 0); // no figure to show: a busy indicator
    prgBusy->setTextVisible(false);
    prgBusy->setAccessibleName(text);
    layout->addWidget(prgBusy);

    auto* buttons = new QDialogButtonBox(this);
    const QString cancel = GetText(584);
    cmdCancel =
        buttons->addButton(cancel.isEmpty() ? tr("Cancel") : cancel, QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    cmdCancel->setDefault(true);
    cmdCancel->setFocus();
    setMinimumWidth(fontMetrics().averageCharWidth() * 50);
}
