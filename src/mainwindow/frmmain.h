// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: start-up and shutdown, the parameters file, the two modes with their
// status labels, the key list and its commands, the text box and the attached-file slots.
//
// Controls are public members named as in the rest of the program; each carries the same
// objectName. Control arrays are std::array members whose elements are named with the
// index behind an underscore: txbFile[1] has the objectName "txbFile_1".
//
// Captions carry access-key markers ("&Quit"); use plainCaption() where a caption is shown
// as text (message box titles).
//
// Commands of other areas (keyfile, language, message, files, text box, help, self-test,
// key details) are defined in frmmain_<area>.cpp beside this file.
#include "backends/cipher/cipher.h"
#include "keys/keyfilestamp.h"
#include "mainwindow/textandfiles.h"
#include "message/encdecmsg.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class ClickableLabel;
class QComboBox;
class QCompleter;
class QStandardItemModel;
class QLabel;
class QLineEdit;
class QLocalServer;
class QLockFile;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class frmHelp;
class frmTest;
namespace KeyDerivation {
class ReadyKey;
}
namespace DataLock {
struct Holder;
}

class frmMain : public QWidget, public EncDecMsg::MessageWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    static constexpr int kSlots = 3;
    // Keys of the message commands and of the key search, in every language.
    static constexpr QKeyCombination kEncryptKey{Qt::ControlModifier, Qt::Key_E};
    static constexpr QKeyCombination kDecryptKey{Qt::ControlModifier, Qt::Key_D};
    static constexpr QKeyCombination kFindKeyKey{Qt::ControlModifier, Qt::Key_F};
    static constexpr int kEncryptMode = 0;
    static constexpr int kDecryptMode = 1;

    // Where keyfiles of old installations were kept; a keyfile found there is offered for
    // takeover on the first start. Tests point strOldKeyfilePath elsewhere.
    static const QString kOldKeyfilePath;

    // ---- public state -----------------------------------------------------------------
    bool blnStartupCompleted = false;
    bool blnEncrypt = true;
    bool blnKeyListNotStored = false; // the key list holds changes the keyfile lacks
    bool blnKeyfilePathShown = false;
    qint32 lngMaxMessageSizeInFullVersion = 102400;
    QString strStoredKeysFile; // full path of the keyfile
    QString strOldKeyfilePath = kOldKeyfilePath;
    // The message path's shared strings, its size limit and the self-test flags.
    EncDecMsg::State msgState;

    // ---- start-up and shutdown --------------------------------------------------------
    // Brings the program into its starting state and shows the window; asks for the master
    // key when a keyfile exists. False: a fatal condition was reported, end at once.
    bool Form_Load();
    void SetWindowCaption();
    // tsm.usr: keyfile path and language. The write is atomic and reports a failure.
    void WriteParametersFile();
    void ReadParametersFile();
    void SetDefaultParameters();
    // Asks about an unsaved key list and ends the program unless the user keeps it running.
    void cmdQuit_Click();
    bool hasEnded() const { return m_ended; }
    // The start found a running copy on the same data folder and brought its window to
    // the front: it ends without a window and without a message.
    bool handedOver() const { return m_handedOver; }

    // The wrap key of the next encryption or decryption, derived ahead of the click
    // (frmmain_message.cpp).
    KeyDerivation::ReadyKey* readyKey() const { return m_readyKey; }
    // Discards the ready key at once and, after the current event, asks for the one the
    // mode, the selected key and (in decrypt mode) the clipboard now call for.
    void RenewReadyKey();
    // How long the clipboard must stay unchanged before its block is read for a ready key.
    static constexpr int kClipboardSettleMs = 50;
    // Longer clipboard texts are searched only at the click, not at every copy: the search
    // is linear, but a copy of a huge text in another program must not stall this window.
    static constexpr qsizetype kMaxClipboardReadAhead = 4'000'000;

    // ---- modes and status ---------------------------------------------------------------
    void optEncrypt_Click();
    void optDecrypt_Click();
    void UpdateTextboxLabel();
    void UpdateClipboardLabel();
    void Clock_Timer();

    // ---- key list -----------------------------------------------------------------------
    void cmdAddKey_Click();
    void cmdDeleteKeyShown_Click();
    void cmdUndoLastDeletion_Click();
    void cmdKeylistHideShow_Click();
    void cmdKeyDetails_Click();
    void cboKeys_Click();
    // A selection the program made (delete, undo, showing the keys again) raises the
    // selection event as one the user made does: the focus moves to the mode's command.
    void KeySelectedByProgram();
    void ShowKeyCount();
    // The key search beside the list (frmmain_keysearch.cpp): typing part of an address or
    // name offers the matching entries; choosing one selects it as a choice in the list does.
    void KeySearchEdited(const QString& text);
    void ChooseFoundKey(int index);
    bool keysHidden() const { return m_keysHidden; }
    // Ends hidden mode: the list is enabled again with the selection it had. The keyfile
    // reader calls it so that a list just read is never left disabled.
    void ShowKeys();
    // A store or get has made the list equal to the keyfile.
    void MarkKeyListStored();

    // ---- keyfile (frmmain_keyfile.cpp) --------------------------------------------------
    void cmdEncryptStoredKeys_Click() { StoreKeyList(); }
    void cmdDecryptStoredKeys_Click() { GetKeyList(); }
    void cmdSpecifyKeyfilePath_Click();
    virtual void StoreKeyList();
    virtual void GetKeyList();

    // ---- language (frmmain_language.cpp) ------------------------------------------------
    virtual void SetLanguageDependentText();
    void cboLanguage_Click();
    // The two halves of the click: the language of the selected entry, and the focus moved
    // on (only for a choice made in the opened list or by the label).
    void ApplyLanguageChoice();
    void FocusAfterLanguageChoice();
    void lblLanguage_DblClick();
    void SaveLanguageSetting();
    // Accessible names of the controls that have no caption of their own.
    void SetAccessibleNames();
    // Sets the Append or Save caption of a slot's button with what goes with it: Alt and
    // the slot's number as its access key (three buttons of one caption cannot each have a
    // letter of it) and a name that tells the slots apart.
    void SetSlotCaption(int slot, const QString& caption);

    // ---- message commands (frmmain_message.cpp) -----------------------------------------
    void cmdEncryptMessage_Click();
    void cmdDecryptMessage_Click();
    // What the message path reads from and writes to the window. text() carries line
    // breaks as CR LF.
    QString text() const override;
    QString slotPath(int slot) const override;
    QString selectedKeyEntry() const override;
    void showDecryptedText(const QString& text) override;
    void showReceivedFile(int slot, const QString& name, qint32 size) override;
    void selectDecryptMode() override;

    // ---- attached files (frmmain_files.cpp) ---------------------------------------------
    void cmdAppendSaveFile_Click(int index);
    void cmdClearFile_Click(int index);

    // ---- text box (frmmain_textbox.cpp) -------------------------------------------------
    void cmdClearTextbox_Click();
    void cmdCopyFromClipboard_Click();
    void cmdLoadSaveTextbox_Click(int index);
    void cmdEnlargeTextbox_Click();
    // A failure report: substitute when it is given and memory ran out (error 7),
    // otherwise the description.
    void ShowErrMsg(int errorNumber, const QString& description, const QString& substitute);

    // ---- help and web page (frmmain_help.cpp) -------------------------------------------
    void cmdHelp_Click();
    void cmdWebPage_Click();
    // The help window, created on first use; it has no owner but goes with this window.
    frmHelp& HelpWindow();

    // ---- self-test (frmmain_selftest.cpp) -----------------------------------------------
    void lblTextbox_Click();
    bool SelfTestRunning() const; // msgState.blnTest
    // The self-test window, created on first use.
    frmTest& TestWindow();

    // ---- key details (frmmain_keydetails.cpp) -------------------------------------------
    void ShowKeyDetails();

    // The text of a caption as it reads: access-key markers dropped, "&&" as "&".
    static QString plainCaption(const QString& caption);
    // A command's caption as a message box title: each "&&" becomes text 99.
    static QString commandTitle(const QString& caption);

    QString parametersFilePath() const { return strParametersFile; }
    // The lock that keeps a second copy of the program off the same data folder.
    static QString lockFilePath();
    // Where a second start finds the running copy: per user and data folder.
    static QString handoverServerName();
    // How long a second start waits for the running copy before it says that one runs.
    static constexpr int kHandoverWaitMs = 3000;
    // Restores, raises and activates the window (a second start asked for it).
    void BringToFront();
    QString modeText(int mode) const { return strModeText[mode]; }
    QString modeFileName(int slot, int mode) const { return strModeFileName[slot][mode]; }

    // ---- controls -----------------------------------------------------------------------
    QRadioButton* optEncrypt;
    QRadioButton* optDecrypt;

    QComboBox* cboKeys;
    QLineEdit* txbKeySearch;
    QCompleter* keySearchCompleter = nullptr;
    QPushButton* cmdAddKey;
    QPushButton* cmdKeyDetails;
    QPushButton* cmdDeleteKeyShown;
    QPushButton* cmdUndoLastDeletion;
    QPushButton* cmdKeylistHideShow;
    QLabel* lblNumKeysSpecified;
    QPushButton* cmdDecryptStoredKeys;
    QPushButton* cmdEncryptStoredKeys;
    QPushButton* cmdSpecifyKeyfilePath;

    QPushButton* cmdEncryptMessage;
    QPushButton* cmdDecryptMessage;

    ClickableLabel* lblTextbox;
    ClickableLabel* lblClipboard;
    QPlainTextEdit* txbText;
    QPushButton* cmdClearTextbox;
    QPushButton* cmdCopyFromClipboard;
    std::array<QPushButton*, 2> cmdLoadSaveTextbox; // 0 load, 1 save
    QPushButton* cmdEnlargeTextbox;

    std::array<QPushButton*, kSlots> cmdAppendSaveFile;
    std::array<QLineEdit*, kSlots> txbFile;
    std::array<QLabel*, kSlots> lblFilesize;
    std::array<QPushButton*, kSlots> cmdClearFile;
    std::array<QLabel*, kSlots> lblSaved;

    ClickableLabel* lblLanguage;
    QComboBox* cboLanguage;
    QPushButton* cmdHelp;
    QPushButton* cmdWebPage;
    QPushButton* cmdQuit;

    QTimer* Clock;

signals:
    // The user has quit; the application leaves its event loop.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    // After the first frame: the window icon (application.cpp).
    void paintEvent(QPaintEvent* event) override;
    // F1 anywhere in the window opens the help (frmmain_help.cpp).
    void keyPressEvent(QKeyEvent* event) override;
    // Seams for tests of the fatal start-up paths.
    virtual bool LoadProgramTextTable();
    virtual int StartCipherLibrary();

private:
    void buildControls();
    void SetUpKeySearch();
    QStandardItemModel* m_keyMatches = nullptr;
    void connectControls();
    void SetModeDefaults();
    void SwitchMode(bool encrypt);
    // The Quit questions and shutdown; false when the program keeps running.
    bool QueryQuit();
    void FillLanguageList();
    // One program per data folder; false (reported) when another copy holds it.
    bool TakeDataFolderLock();
    // Sets the language for a message about the lock before the parameters are read.
    void SayForLock();
    void SayAlreadyRunning();
    // Acts on a lock found in place: true when the start may try to lock again, false when
    // it ends (handed over, told, or the user kept another computer's lock).
    bool TakeOverLock(const DataLock::Holder& holder, qint64 age, const QString& path);
    void ListenForSecondStarts();
    bool HandOverToRunningCopy();
    static constexpr char kHandoverRequest[] = "raise\n";
    static constexpr char kHandoverAnswer[] = "raised\n";
    QLocalServer* m_handoverServer = nullptr;
    bool m_handedOver = false;

    std::unique_ptr<QLockFile> m_dataFolderLock;
    // The keyfile as the list was last read from or stored to it.
    KeyfileStamp::Stamp m_keyfileStamp;
    // The keyfile and master key of the last read or store, as a hash: a store under
    // another pair asks for the master key twice.
    QByteArray m_keyfileOpenedUnder;

    qint32 lngMinClipboardTextLength = 300;
    QString strParametersFile;
    QString strFileErrMsg;
    TextAndFiles::SharedFileDialog dlgFile;
    QString strProductName;
    QString strVersionText;
    QString strNotice;
    QString strRegistryKeyPath;
    int intPreviousLanguage = 0;
    std::array<QString, 2> strModeText;
    std::array<std::array<QString, 2>, kSlots> strModeFileName;
    // The size labels belong to their file name, so they are kept per mode as well.
    std::array<std::array<QString, 2>, kSlots> strModeFileSize;
    int savedKeyIndex = -1;
    bool m_keysHidden = false;
    bool m_ended = false;
    bool m_iconRequested = false;
    KeyDerivation::ReadyKey* m_readyKey = nullptr;
    QTimer* m_readyKeyTimer = nullptr;
    QTimer* m_clipboardLabelTimer = nullptr;
    void UpdateReadyKey();
    void ClipboardChanged();
    // Salt and work factor of the block on the clipboard; log2N 0 when it holds none.
    Cipher::ScryptParameters ClipboardScryptParameters() const;
    frmHelp* m_frmHelp = nullptr;
    frmTest* m_frmTest = nullptr;

    // State of the list before the first deletion that can still be undone: undoing all
    // deletions marks the list as stored only when nothing else changed meanwhile.
    struct KeyListSnapshot {
        bool wasStored = false;
        QStringList entries;
        QList<qint32> dates;
        QString keyfilePath;
    };
    KeyListSnapshot m_beforeDeletions;
    KeyListSnapshot currentKeyList() const;
};
