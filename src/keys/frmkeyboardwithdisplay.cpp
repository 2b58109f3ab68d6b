// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/frmkeyboardwithdisplay.h"

#include "keys/datepr2.h"
#include "keys/keyentry.h"
#include "keys/keyfrom.h"
#include "keys/keyrules.h"
#include "support/accesskeys.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>
#include <utility>

namespace {

// Turns down every edit (typing, pasting, dropping, input methods) that would bring a refused
// character into its box, and remembers the character so the dialog can say why.
class RefusingValidator final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*pos*/) const override {
        const QString refused = KeyEntry::FirstRefusedCharacter(input);
        if (refused.isEmpty())
            return Acceptable;
        m_refused = refused;
        return Invalid;
    }

    QString takeRefused() { return std::exchange(m_refused, QString()); }

private:
    mutable QString m_refused;
};

void keepSizeWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

} // namespace

frmKeyboardWithDisplay::frmKeyboardWithDisplay(frmKeyFrom& keys, QWidget* parent)
    : QDialog(parent), m_keys(keys) {
    setObjectName(QStringLiteral("frmKeyboardWithDisplay"));
    setWindowTitle(QStringLiteral("Add encryption key"));

    lblTarget =
        new QLabel(QStringLiteral("Email address or name that this key is to be used with:"), this);
    txbTarget = new QLineEdit(this);
    lblDate = new QLabel(QStringLiteral("Date of first use of this key:"), this);
    txbDate = new QLineEdit(this);
    lblEntertheKey = new QLabel(this);
    txbKey = new QLineEdit(this);
    lblChecksumIs = new QLabel(this);
    fraAddThisKey = new QFrame(this);
    lblUseThisKey = new QLabel(QStringLiteral("Add this key?"), fraAddThisKey);
    cmdYes = new QPushButton(QStringLiteral("Yes"), fraAddThisKey);
    cmdNo = new QPushButton(QStringLiteral("No"), fraAddThisKey);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    chkConcealChars = new QCheckBox(QStringLiteral("Conceal characters typed"), this);
    chkEraseKey = new QCheckBox(
        QStringLiteral("Erase master key from memory when this window is closed."), this);

    const std::pair<QWidget*, const char*> names[] = {
        {lblTarget, "lblTarget"},
        {txbTarget, "txbTarget"},
        {lblDate, "lblDate"},
        {txbDate, "txbDate"},
        {lblEntertheKey, "lblEntertheKey"},
        {txbKey, "txbKey"},
        {lblChecksumIs, "lblChecksumIs"},
        {fraAddThisKey, "fraAddThisKey"},
        {lblUseThisKey, "lblUseThisKey"},
        {cmdYes, "cmdYes"},
        {cmdNo, "cmdNo"},
        {cmdCancel, "cmdCancel"},
        {chkConcealChars, "chkConcealChars"},
        {chkEraseKey, "chkEraseKey"},
    };
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    txbTarget->setMaxLength(64);
    txbDate->setMaxLength(14);
    txbKey->setMaxLength(m_keys.intMaxKeyLength);
    for (QLabel* label : {lblTarget, lblEntertheKey})
        label->setWordWrap(true);
    lblTarget->setBuddy(txbTarget);
    lblDate->setBuddy(txbDate);
    lblEntertheKey->setBuddy(txbKey);

    // Same size as the dialog's text, so the fixed-pitch key is as readable as the rest.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    txbKey->setFont(fixed);
    txbKey->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                              .arg(strConcealChar.unicode()));
    // Room for a date with some words around it; the box does not need the dialog's width.
    txbDate->setMinimumWidth(txbDate->fontMetrics().horizontalAdvance(QString(16, u'0')));

    fraAddThisKey->setFrameShape(QFrame::NoFrame);
    auto* frameRow = new QHBoxLayout(fraAddThisKey);
    frameRow->setContentsMargins(0, 0, 0, 0);
    frameRow->addWidget(lblUseThisKey);
    frameRow->addWidget(cmdYes);
    frameRow->addWidget(cmdNo);
    // The answer row keeps its place while the key is too short, so nothing jumps under the
    // user's eyes when the key becomes usable.
    for (QWidget* w : std::initializer_list<QWidget*>{fraAddThisKey, lblUseThisKey, cmdYes, cmdNo,
                                                      lblChecksumIs})
        keepSizeWhenHidden(w);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(txbDate);
    dateRow->addStretch(1);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(lblTarget, row++, 0, 1, 2);
    grid->addWidget(txbTarget, row++, 0, 1, 2);
    grid->addWidget(lblDate, row++, 0, 1, 2);
    grid->addLayout(dateRow, row++, 0, 1, 2);
    grid->addWidget(lblEntertheKey, row++, 0, 1, 2);
    grid->addWidget(txbKey, row++, 0, 1, 2);
    grid->addWidget(lblChecksumIs, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
    // Yes/No and Cancel share one place: only one of them is offered at a time.
    grid->addWidget(fraAddThisKey, row, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(cmdCancel, row++, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(chkConcealChars, row++, 0, 1, 2);
    grid->addWidget(chkEraseKey, row++, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(row, 1);

    setTabOrder(txbTarget, txbDate);
    setTabOrder(txbDate, txbKey);
    setTabOrder(txbKey, cmdYes);
    setTabOrder(cmdYes, cmdNo);
    setTabOrder(cmdNo, cmdCancel);
    setTabOrder(cmdCancel, chkConcealChars);
    setTabOrder(chkConcealChars, chkEraseKey);

    // Enter accepts a usable key; while the key is too short Yes is hidden and Enter does
    // nothing. Escape and the window's close button act as Cancel.
    cmdYes->setDefault(true);

    for (QLineEdit* box : {txbTarget, txbDate, txbKey})
        installCharacterFilter(box);

    connect(txbKey, &QLineEdit::textChanged, this, [this] { txbKey_Change(); });
    connect(cmdYes, &QPushButton::clicked, this, [this] { cmdYes_Click(); });
    connect(cmdNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(chkConcealChars, &QCheckBox::toggled, this, [this] { chkConcealChars_Click(); });
    connect(chkEraseKey, &QCheckBox::clicked, this, [this] { txbKey->setFocus(); });

    // Created after the language was chosen: take its captions rather than the design-time
    // English ones.
    if (!GetText(97).isEmpty())
        SetLanguageDependentText();
    chkEraseKey->hide();
    txbKey_Change();
}

void frmKeyboardWithDisplay::installCharacterFilter(QLineEdit* box) {
    auto* validator = new RefusingValidator(box);
    box->setValidator(validator);
    // Queued: the message appears after the box has dropped the refused edit, not while the
    // refused text is still in it. One edit may be rejected twice (too long and refused).
    connect(
        box, &QLineEdit::inputRejected, this,
        [this, validator] {
            const QString refused = validator->takeRefused();
            if (!refused.isEmpty())
                showRefusal(refused);
        },
        Qt::QueuedConnection);
}

void frmKeyboardWithDisplay::showRefusal(const QString& character) {
    Seams::MsgBox(KeyEntry::RefusalMessage(character), Seams::Buttons::OK, Seams::Icon::Information,
                  GetText(51));
}

void frmKeyboardWithDisplay::SetLanguageDependentText() {
    cmdYes->setText(GetText(97));
    cmdNo->setText(GetText(98));
    cmdCancel->setText(GetText(184));
    lblDate->setText(GetText(132));
    chkConcealChars->setText(GetText(37));
    chkEraseKey->setText(GetText(129));
    txbDate->setAccessibleName(lblDate->text());
    AccessKeys::Assign(this);
}

void frmKeyboardWithDisplay::applyModeLayout() {
    const bool master = masterMode();
    setWindowTitle(KeyEntry::DialogCaption(blnEncryptingKeyList, blnDecryptingKeyList));
    if (master) {
        lblTarget->setText(blnConfirmingMasterKey ? GetText(528)
                           : blnEncryptingKeyList ? GetText(125)
                                                  : GetText(126));
        lblUseThisKey->setText(GetText(127));
    } else {
        lblTarget->setText(GetText(131));
        lblUseThisKey->setText(GetText(128));
    }
    txbTarget->setVisible(!master);
    lblDate->setVisible(!master);
    txbDate->setVisible(!master);
    chkEraseKey->setVisible(master);
    chkConcealChars->setVisible(true);

    txbTarget->setAccessibleName(lblTarget->text());
    txbDate->setAccessibleName(lblDate->text());
    fraAddThisKey->setAccessibleName(lblUseThisKey->text());

    // As tall as the mode's controls need; the width is the caller's.
    ensurePolished();
    layout()->activate();
    const int h = hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height();
    resize(width(), qMax(h, minimumSizeHint().height()));
}

void frmKeyboardWithDisplay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from minimised: keep what the user typed
    applyModeLayout();
    chkConcealChars_Click();
    if (masterMode()) {
        txbKey->end(false);
    } else {
        txbTarget->clear();
        txbDate->setText(DatePr2::TodayAsText(0, DatePr2::YearMonthDay, QStringLiteral("-")));
    }
    txbKey->setMaxLength(m_keys.intMaxKeyLength);
    txbKey_Change();
    blnUseThisKey = false;
    txbKey->setFocus();
}

void frmKeyboardWithDisplay::txbKey_Change() {
    const QString key = txbKey->text();
    const bool admissible = KeyRules::KeyIsAdmissible(key, m_keys.intMinKeyLength);
    fraAddThisKey->setVisible(admissible);
    cmdYes->setVisible(admissible);
    cmdNo->setVisible(admissible);
    lblUseThisKey->setVisible(admissible);
    lblChecksumIs->setVisible(admissible);
    cmdCancel->setVisible(!admissible);
    if (admissible) {
        m_keys.intKeyChecksum =
            KeyRules::KeyChecksum(KeyRules::ReducedKey(key), &m_keys.strKeyDigest);
        lblChecksumIs->setText(KeyEntry::ChecksumCaption(m_keys.intKeyChecksum));
    }
    // The checksum appears beside the box being typed in, where a screen reader does not
    // look: it is also the description of the key box, which is read out as it changes.
    const QString described = admissible ? lblChecksumIs->text() : QString();
    if (txbKey->accessibleDescription() != described)
        txbKey->setAccessibleDescription(described);
    SetKeyPrompt(masterMode(), admissible);
}

void frmKeyboardWithDisplay::SetKeyPrompt(bool master, bool checksumShown) {
    lblEntertheKey->setText(
        KeyEntry::KeyPrompt(master, checksumShown, master && blnConfirmingMasterKey));
    txbKey->setAccessibleName(lblEntertheKey->text());
    if (checksumShown)
        lblChecksumIs->raise();
}

void frmKeyboardWithDisplay::cmdYes_Click() {
    txbKey->setText(KeyEntry::CleanedKey(txbKey->text()));
    txbDate->setText(KeyEntry::TrimSpaces(txbDate->text()));
    txbTarget->setText(KeyEntry::TrimSpaces(txbTarget->text()));
    blnUseThisKey = true;
    accept();
}

void frmKeyboardWithDisplay::chkConcealChars_Click() {
    txbKey->setEchoMode(chkConcealChars->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
    txbKey->update();
    if (isVisible())
        txbKey->setFocus();
}
