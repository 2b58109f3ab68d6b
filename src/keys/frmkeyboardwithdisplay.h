// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialog in which a person types a key: a message key with its target and date of first
// use (add mode), or the master key for storing or getting the key list. It shows while
// typing whether the key is long enough and, once it is, the key's checksum. It stores
// nothing: the caller reads the boxes and blnUseThisKey after it closes.
#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class frmKeyFrom;

class frmKeyboardWithDisplay : public QDialog {
    Q_OBJECT
public:
    explicit frmKeyboardWithDisplay(frmKeyFrom& keys, QWidget* parent = nullptr);

    // True once the user closed the dialog with Yes; False from the moment it is shown.
    bool blnUseThisKey = false;
    // Set by the caller before showing; both False is the add mode.
    bool blnEncryptingKeyList = false;
    bool blnDecryptingKeyList = false;
    // Set with blnEncryptingKeyList: the master key is asked a second time, to be compared.
    bool blnConfirmingMasterKey = false;

    QLabel* lblTarget;
    QLineEdit* txbTarget;
    QLabel* lblDate;
    QLineEdit* txbDate;
    QLabel* lblEntertheKey;
    QLineEdit* txbKey;
    QLabel* lblChecksumIs;
    QFrame* fraAddThisKey;
    QLabel* lblUseThisKey;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QPushButton* cmdCancel;
    QCheckBox* chkConcealChars;
    QCheckBox* chkEraseKey;

    bool masterMode() const { return blnEncryptingKeyList || blnDecryptingKeyList; }

    // Captions from the program text table in the current language.
    void SetLanguageDependentText();

    // Title, mode captions and which controls the mode shows; changes no box. Runs on
    // showing; the key module also runs it before showing to size the dialog.
    void applyModeLayout();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void txbKey_Change();
    void SetKeyPrompt(bool masterMode, bool checksumShown);
    void cmdYes_Click();
    void chkConcealChars_Click();
    void showRefusal(const QString& character);
    void installCharacterFilter(QLineEdit* box);

    frmKeyFrom& m_keys;
    const QChar strConcealChar = u'*';
};
