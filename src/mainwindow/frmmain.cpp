// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmmain.h"

#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/datepr2.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyentry.h"
#include "keys/keyfrom.h"
#include "mainwindow/application.h"
#include "mainwindow/choicecombobox.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/parametersfile.h"
#include "mainwindow/statustexts.h"
#include "mainwindow/windowstate.h"
#include "message/readykey.h"
#include "selftest/strproc.h"
#include "support/accessibleroles.h"
#include "support/accesskeys.h"
#include "support/datalock.h"
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/folder.h"
#include "support/seams.h"
#include "support/secretclipboard.h"
#include "text/programtext.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <unistd.h>

namespace {

const QString CRLF = QStringLiteral("\r\n");

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QString indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

// Keeps a control's place in the layout while it is hidden, so the window does not jump
// when a slot's buttons and labels come and go.
void keepPlaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// Text boxes claim Ctrl+E (end of line) and Ctrl+D (delete) on this desktop; in this
// window those keys belong to the encrypt and decrypt commands, whichever box has the focus.
class CommandKeysFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeyCombination pressed = key->keyCombination();
            if (pressed == frmMain::kEncryptKey || pressed == frmMain::kDecryptKey ||
                pressed == frmMain::kFindKeyKey) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

const QString frmMain::kOldKeyfilePath =
    QStringLiteral("C:\\Program Files\\Brannoch Works\\tsm459\\tsm.dat");

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    AccessibleRoles::Install();
    m_readyKey = new KeyDerivation::ReadyKey(this);
    msgState.readyKey = m_readyKey;
    m_readyKeyTimer = new QTimer(this);
    m_readyKeyTimer->setSingleShot(true);
    m_readyKeyTimer->setInterval(0);
    connect(m_readyKeyTimer, &QTimer::timeout, this, &frmMain::UpdateReadyKey);
    buildControls();
    connectControls();
}

frmMain::~frmMain() = default;

// ---- layout ---------------------------------------------------------------------------

void frmMain::buildControls() {
    // Controls are created in the order the Tab key visits them.
    auto* root = new QVBoxLayout(this);

    // Mode and language.
    auto* modeRow = new QHBoxLayout;
    optEncrypt = named(new QRadioButton(tr("Encrypt message to be sent"), this),
                       QStringLiteral("optEncrypt"));
    optDecrypt = named(new QRadioButton(tr("Decrypt message on clipboard"), this),
                       QStringLiteral("optDecrypt"));
    modeRow->addWidget(optEncrypt);
    modeRow->addSpacing(12);
    modeRow->addWidget(optDecrypt);
    modeRow->addStretch(1);
    root->addLayout(modeRow);
    root->addWidget(named(separator(this), QStringLiteral("sepKeys")));

    // Key list and its commands.
    auto* keyRow = new QHBoxLayout;
    cboKeys = named(new ChoiceComboBox(this), QStringLiteral("cboKeys"));
    cboKeys->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboKeys->setMinimumContentsLength(40);
    cboKeys->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    keyRow->addWidget(cboKeys, 1);
    txbKeySearch = named(new QLineEdit(this), QStringLiteral("txbKeySearch"));
    txbKeySearch->setMinimumWidth(fontMetrics().averageCharWidth() * 18);
    txbKeySearch->setMaximumWidth(fontMetrics().averageCharWidth() * 28);
    keyRow->addWidget(txbKeySearch);
    lblNumKeysSpecified = named(new QLabel(this), QStringLiteral("lblNumKeysSpecified"));
    keyRow->addWidget(lblNumKeysSpecified);
    root->addLayout(keyRow);

    auto* keyCommands = new QHBoxLayout;
    cmdAddKey = named(new QPushButton(tr("Add key"), this), QStringLiteral("cmdAddKey"));
    cmdKeyDetails =
        named(new QPushButton(tr("Show key details"), this), QStringLiteral("cmdKeyDetails"));
    cmdDeleteKeyShown =
        named(new QPushButton(tr("Delete key shown"), this), QStringLiteral("cmdDeleteKeyShown"));
    cmdUndoLastDeletion = named(new QPushButton(tr("Undo last deletion"), this),
                                QStringLiteral("cmdUndoLastDeletion"));
    cmdKeylistHideShow =
        named(new QPushButton(tr("Hide keys"), this), QStringLiteral("cmdKeylistHideShow"));
    for (QPushButton* b : {cmdAddKey, cmdKeyDetails, cmdDeleteKeyShown, cmdUndoLastDeletion})
        keyCommands->addWidget(b);
    keyCommands->addStretch(1);
    root->addLayout(keyCommands);

    auto* keyfileCommands = new QHBoxLayout;
    cmdDecryptStoredKeys = named(new QPushButton(tr("Get keys and decrypt"), this),
                                 QStringLiteral("cmdDecryptStoredKeys"));
    cmdEncryptStoredKeys = named(new QPushButton(tr("Encrypt keys and store"), this),
                                 QStringLiteral("cmdEncryptStoredKeys"));
    cmdSpecifyKeyfilePath = named(new QPushButton(tr("Specify keyfile path"), this),
                                  QStringLiteral("cmdSpecifyKeyfilePath"));
    // Hide keys opens this row, so that neither row of key commands is wider than a small
    // screen in German.
    for (QPushButton* b :
         {cmdKeylistHideShow, cmdDecryptStoredKeys, cmdEncryptStoredKeys, cmdSpecifyKeyfilePath})
        keyfileCommands->addWidget(b);
    keyfileCommands->addStretch(1);
    root->addLayout(keyfileCommands);
    root->addWidget(named(separator(this), QStringLiteral("sepMessage")));

    // The two message commands, one above the other: side by side their long captions
    // would not fit a small screen.
    auto* messageCommands = new QVBoxLayout;
    cmdEncryptMessage =
        named(new QPushButton(tr("Encrypt message using current key and copy to clipboard"), this),
              QStringLiteral("cmdEncryptMessage"));
    cmdDecryptMessage = named(
        new QPushButton(tr("Copy message from clipboard and decrypt using current key"), this),
        QStringLiteral("cmdDecryptMessage"));
    messageCommands->addWidget(cmdEncryptMessage);
    messageCommands->addWidget(cmdDecryptMessage);
    root->addLayout(messageCommands);

    // Text box with its sizes and commands.
    auto* sizeRow = new QHBoxLayout;
    lblTextbox = named(new ClickableLabel(this), QStringLiteral("lblTextbox"));
    lblClipboard = named(new ClickableLabel(this), QStringLiteral("lblClipboard"));
    // Status texts, not stops for the Tab key; a click still acts on them.
    lblTextbox->setFocusPolicy(Qt::NoFocus);
    lblClipboard->setFocusPolicy(Qt::NoFocus);
    sizeRow->addWidget(lblTextbox);
    sizeRow->addStretch(1);
    sizeRow->addWidget(lblClipboard);
    root->addLayout(sizeRow);

    txbText = named(new SecretClipboard::SecretTextEdit(this), QStringLiteral("txbText"));
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    txbText->setFont(fixed);
    txbText->setTabChangesFocus(true); // Tab moves on, as in every other box of the window
    txbText->setMinimumHeight(100);
    root->addWidget(txbText, 1);

    auto* textCommands = new QHBoxLayout;
    cmdClearTextbox = named(new QPushButton(tr("Clear"), this), QStringLiteral("cmdClearTextbox"));
    cmdCopyFromClipboard = named(new QPushButton(tr("Copy from clipboard"), this),
                                 QStringLiteral("cmdCopyFromClipboard"));
    cmdLoadSaveTextbox[0] = named(new QPushButton(tr("Load file into textbox"), this),
                                  indexed("cmdLoadSaveTextbox", 0));
    cmdLoadSaveTextbox[1] =
        named(new QPushButton(tr("Save textbox to file"), this), indexed("cmdLoadSaveTextbox", 1));
    cmdEnlargeTextbox =
        named(new QPushButton(tr("Enlarge textbox"), this), QStringLiteral("cmdEnlargeTextbox"));
    for (QPushButton* b : {cmdClearTextbox, cmdCopyFromClipboard, cmdLoadSaveTextbox[0],
                           cmdLoadSaveTextbox[1], cmdEnlargeTextbox})
        textCommands->addWidget(b);
    textCommands->addStretch(1);
    root->addLayout(textCommands);
    root->addWidget(named(separator(this), QStringLiteral("sepSlots")));

    // The three attached-file slots. The Clear button and the "Saved" label share a cell:
    // only one of them is ever shown.
    auto* slotGrid = new QGridLayout;
    for (int i = 0; i < kSlots; ++i) {
        cmdAppendSaveFile[i] =
            named(new QPushButton(tr("Append file"), this), indexed("cmdAppendSaveFile", i));
        txbFile[i] = named(new QLineEdit(this), indexed("txbFile", i));
        txbFile[i]->setReadOnly(true);
        lblFilesize[i] = named(new QLabel(this), indexed("lblFilesize", i));
        lblFilesize[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblFilesize[i]->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("999 KB")));
        cmdClearFile[i] = named(new QPushButton(tr("Clear"), this), indexed("cmdClearFile", i));
        lblSaved[i] = named(new QLabel(tr("Saved"), this), indexed("lblSaved", i));
        lblSaved[i]->setAlignment(Qt::AlignCenter);
        for (QWidget* w :
             {static_cast<QWidget*>(lblFilesize[i]), static_cast<QWidget*>(cmdClearFile[i]),
              static_cast<QWidget*>(lblSaved[i])})
            keepPlaceWhenHidden(w);
        // The size and "Saved" belong to the file name beside them.
        lblFilesize[i]->setBuddy(txbFile[i]);
        lblSaved[i]->setBuddy(txbFile[i]);
        slotGrid->addWidget(cmdAppendSaveFile[i], i, 0);
        slotGrid->addWidget(txbFile[i], i, 1);
        slotGrid->addWidget(lblFilesize[i], i, 2);
        slotGrid->addWidget(cmdClearFile[i], i, 3);
        slotGrid->addWidget(lblSaved[i], i, 3);
    }
    slotGrid->setColumnStretch(1, 1);
    root->addLayout(slotGrid);
    root->addWidget(named(separator(this), QStringLiteral("sepBottom")));

    // Language, help, web page, quit.
    auto* bottomRow = new QHBoxLayout;
    lblLanguage = named(new ClickableLabel(this), QStringLiteral("lblLanguage"));
    lblLanguage->setText(tr("Language:"));
    cboLanguage = named(new ChoiceComboBox(this), QStringLiteral("cboLanguage"));
    lblLanguage->setBuddy(cboLanguage);
    cmdHelp = named(new QPushButton(tr("Help"), this), QStringLiteral("cmdHelp"));
    cmdWebPage = named(new QPushButton(this), QStringLiteral("cmdWebPage"));
    cmdQuit = named(new QPushButton(tr("Quit"), this), QStringLiteral("cmdQuit"));
    bottomRow->addWidget(lblLanguage);
    bottomRow->addWidget(cboLanguage);
    bottomRow->addStretch(1);
    bottomRow->addWidget(cmdHelp);
    bottomRow->addWidget(cmdWebPage);
    bottomRow->addSpacing(12);
    bottomRow->addWidget(cmdQuit);
    root->addLayout(bottomRow);

    Clock = new QTimer(this);
    Clock->setObjectName(QStringLiteral("Clock"));
    Clock->setInterval(1000);

    // The layouts size the window; room the user adds goes to the text box.
    resize(sizeHint().expandedTo(QSize(860, 640)));
}

void frmMain::connectControls() {
    connect(optEncrypt, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optEncrypt_Click();
    });
    connect(optDecrypt, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optDecrypt_Click();
    });

    // Only a choice made by the user in the opened list moves the focus on: arrow keys in
    // the closed box step through the keys and keep the focus there.
    connect(static_cast<ChoiceComboBox*>(cboKeys), &ChoiceComboBox::chosen, this,
            [this] { cboKeys_Click(); });
    // A ready wrap key belongs to one key in encrypt mode: any change of the selection, of
    // the list or of the mode drops it.
    connect(cboKeys, &QComboBox::currentIndexChanged, this, &frmMain::RenewReadyKey);
    const QAbstractItemModel* keys = cboKeys->model();
    connect(keys, &QAbstractItemModel::rowsInserted, this, &frmMain::RenewReadyKey);
    connect(keys, &QAbstractItemModel::rowsRemoved, this, &frmMain::RenewReadyKey);
    connect(keys, &QAbstractItemModel::rowsMoved, this, &frmMain::RenewReadyKey);
    connect(keys, &QAbstractItemModel::modelReset, this, &frmMain::RenewReadyKey);
    connect(keys, &QAbstractItemModel::dataChanged, this, &frmMain::RenewReadyKey);
    connect(optEncrypt, &QRadioButton::toggled, this, &frmMain::RenewReadyKey);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &frmMain::ClipboardChanged);
    // The clipboard label follows every change, made here or in another program, once a
    // stream of changes pauses. A running self-test hides the label and leaves it alone.
    m_clipboardLabelTimer = new QTimer(this);
    m_clipboardLabelTimer->setSingleShot(true);
    m_clipboardLabelTimer->setInterval(kClipboardSettleMs);
    connect(m_clipboardLabelTimer, &QTimer::timeout, this, [this] {
        if (!SelfTestRunning() && !m_ended)
            UpdateClipboardLabel();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
            [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard && !SelfTestRunning())
                    m_clipboardLabelTimer->start();
            });
    connect(cmdAddKey, &QPushButton::clicked, this, &frmMain::cmdAddKey_Click);
    connect(cmdKeyDetails, &QPushButton::clicked, this, &frmMain::cmdKeyDetails_Click);
    connect(cmdDeleteKeyShown, &QPushButton::clicked, this, &frmMain::cmdDeleteKeyShown_Click);
    connect(cmdUndoLastDeletion, &QPushButton::clicked, this, &frmMain::cmdUndoLastDeletion_Click);
    connect(cmdKeylistHideShow, &QPushButton::clicked, this, &frmMain::cmdKeylistHideShow_Click);
    connect(cmdDecryptStoredKeys, &QPushButton::clicked, this,
            &frmMain::cmdDecryptStoredKeys_Click);
    connect(cmdEncryptStoredKeys, &QPushButton::clicked, this,
            &frmMain::cmdEncryptStoredKeys_Click);
    connect(cmdSpecifyKeyfilePath, &QPushButton::clicked, this,
            &frmMain::cmdSpecifyKeyfilePath_Click);

    connect(cmdEncryptMessage, &QPushButton::clicked, this, &frmMain::cmdEncryptMessage_Click);
    connect(cmdDecryptMessage, &QPushButton::clicked, this, &frmMain::cmdDecryptMessage_Click);

    connect(lblTextbox, &ClickableLabel::clicked, this, &frmMain::lblTextbox_Click);
    connect(lblClipboard, &ClickableLabel::clicked, this, &frmMain::UpdateClipboardLabel);
    connect(cmdClearTextbox, &QPushButton::clicked, this, &frmMain::cmdClearTextbox_Click);
    connect(cmdCopyFromClipboard, &QPushButton::clicked, this,
            &frmMain::cmdCopyFromClipboard_Click);
    for (int i = 0; i < 2; ++i)
        connect(cmdLoadSaveTextbox[i], &QPushButton::clicked, this,
                [this, i] { cmdLoadSaveTextbox_Click(i); });
    connect(cmdEnlargeTextbox, &QPushButton::clicked, this, &frmMain::cmdEnlargeTextbox_Click);

    for (int i = 0; i < kSlots; ++i) {
        connect(cmdAppendSaveFile[i], &QPushButton::clicked, this,
                [this, i] { cmdAppendSaveFile_Click(i); });
        connect(cmdClearFile[i], &QPushButton::clicked, this, [this, i] { cmdClearFile_Click(i); });
    }

    // A step in the closed list changes the language at once; only a choice in the opened
    // list moves the focus on.
    connect(cboLanguage, &QComboBox::currentIndexChanged, this, [this] { ApplyLanguageChoice(); });
    connect(static_cast<ChoiceComboBox*>(cboLanguage), &ChoiceComboBox::chosen, this,
            [this] { FocusAfterLanguageChoice(); });
    connect(lblLanguage, &ClickableLabel::doubleClicked, this, &frmMain::lblLanguage_DblClick);
    connect(lblLanguage, &ClickableLabel::activated, this, &frmMain::lblLanguage_DblClick);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdWebPage, &QPushButton::clicked, this, &frmMain::cmdWebPage_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmMain::cmdQuit_Click);
    // The desktop's usual key for leaving a program; it asks what the Quit button asks.
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quitKey->setObjectName(QStringLiteral("scQuit"));
    connect(quitKey, &QShortcut::activated, this, &frmMain::cmdQuit_Click);

    // The two message commands from anywhere in the window, as their buttons would be
    // pressed: only the one the mode enables acts.
    auto* encryptKey = new QShortcut(QKeySequence(kEncryptKey), this);
    encryptKey->setObjectName(QStringLiteral("scEncrypt"));
    connect(encryptKey, &QShortcut::activated, this, [this] {
        if (cmdEncryptMessage->isEnabled())
            cmdEncryptMessage->animateClick();
    });
    auto* decryptKey = new QShortcut(QKeySequence(kDecryptKey), this);
    decryptKey->setObjectName(QStringLiteral("scDecrypt"));
    connect(decryptKey, &QShortcut::activated, this, [this] {
        if (cmdDecryptMessage->isEnabled())
            cmdDecryptMessage->animateClick();
    });
    SetUpKeySearch();
    auto* keepKeys = new CommandKeysFilter(this);
    for (QWidget* box : findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(box) || qobject_cast<QPlainTextEdit*>(box))
            box->installEventFilter(keepKeys);

    connect(Clock, &QTimer::timeout, this, &frmMain::Clock_Timer);
}

// ---- start-up -------------------------------------------------------------------------

bool frmMain::LoadProgramTextTable() {
    return ProgramText::LoadProgramText(QStringLiteral("tsm_text.dat"));
}

int frmMain::StartCipherLibrary() {
    return Cipher::alb();
}

bool frmMain::Form_Load() {
    blnStartupCompleted = false;
    ProgramText::setStartupCompleted(false);
    if (!LoadProgramTextTable())
        return false;
    // Formed while the language is still English, whatever language is chosen later.
    strRegistryKeyPath =
        GetText(273) + QLatin1Char('\\') + GetText(310) + QLatin1Char('\\') + GetText(95);

    strProductName = GetText(94);
    strVersionText = versionText();
    strNotice.clear();
    SetWindowCaption();
    SetModeDefaults();

    ProgramText::setLanguage(-1);
    blnKeyfilePathShown = false;
    strParametersFile = Folder::DataFilePath(QStringLiteral("tsm.usr"), GetText(316));
    if (!TakeDataFolderLock())
        return false;
    optEncrypt->setChecked(true);
    blnKeyListNotStored = false;
    msgState.blnTest = false;
    lblTextbox->clear();
    lblClipboard->clear();
    lblNumKeysSpecified->clear();
    txbText->clear();
    frmKeyFrom::instance().reset();
    cboKeys->clear();
    UpdateTextboxLabel();
    UpdateClipboardLabel();
    ShowKeyCount();
    strModeText = {};
    for (int i = 0; i < kSlots; ++i) {
        lblFilesize[i]->clear();
        lblSaved[i]->hide();
        cmdClearFile[i]->hide();
        strModeFileName[i] = {};
        strModeFileSize[i] = {};
    }
    Clock->start();
    lngMinClipboardTextLength = 300;
    lngMaxMessageSizeInFullVersion = 102400;
    StrProc::Randomize();
    // The message buffers grow as needed; there is no fixed work buffer to allocate.

    if (StartCipherLibrary() == 0) {
        Seams::MsgBox(GetText(173), Seams::Buttons::OK, Seams::Icon::Critical, GetText(174));
        return false;
    }

    CB_Man::ResetDeletionStack();
    m_keysHidden = false;
    savedKeyIndex = -1;
    cboKeys->setEnabled(true);

    WindowState::Restore(this);
    show();

    SetWindowCaption();
    SetModeDefaults();
    cmdEncryptMessage->setEnabled(true);

    // File dialogs open in the user's home folder until the user goes elsewhere.
    const QString drive = DiskProc::FirstFixedDrive();
    if (!drive.isEmpty())
        QDir::setCurrent(drive);

    if (DiskProc::FileExists(strParametersFile))
        ReadParametersFile();
    else
        SetDefaultParameters();

    SetLanguageDependentText();
    cmdWebPage->setText(GetText(38));
    const int language = ProgramText::language();
    cboLanguage->setCurrentIndex(language);
    intPreviousLanguage = language;
    SaveLanguageSetting();
    AccessKeys::Assign(this);

    if (DiskProc::FileExists(strStoredKeysFile))
        cmdDecryptStoredKeys_Click();

    blnStartupCompleted = true;
    RenewReadyKey();
    ProgramText::setStartupCompleted(true);
    return true;
}

QString frmMain::lockFilePath() {
    return Folder::DataFilePath(QStringLiteral("tsm.lock"), GetText(316));
}

void frmMain::SayForLock() {
    // Said in the user's language when the parameters file tells it; nothing is written.
    if (ProgramText::language() < 0 && DiskProc::FileExists(strParametersFile))
        ReadParametersFile();
    if (ProgramText::language() < 0)
        ProgramText::setLanguage(ProgramText::English);
}

bool frmMain::TakeDataFolderLock() {
    const QString path = lockFilePath();
    const DataLock::Facts facts = DataLock::Facts::ofThisMachine();
    // Long enough for a copy starting at the same moment to write its lock.
    QDeadlineTimer patience(DataLock::kUnattributableAgeMs + 2000);
    while (!patience.hasExpired()) {
        // A lock there is judged here, never by QLockFile: Qt counts a process whose
        // executable it cannot read as gone, and this program forbids reading its own (it
        // would take over a running copy's lock), while it keeps a lock it cannot attribute
        // for as long as its stale time.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) || QFileInfo::exists(path)) {
            const QByteArray contents = file.isOpen() ? file.read(4096) : QByteArray();
            file.close();
            const QDateTime made = QFileInfo(path).lastModified();
            const qint64 age =
                made.isValid() ? qAbs(made.msecsTo(QDateTime::currentDateTime())) : 0;
            const DataLock::Holder holder = DataLock::classify(contents, facts);
            if (!TakeOverLock(holder, age, path))
                return false;
            if (QFileInfo::exists(path))
                continue; // still there (or made again): look again
        }
        auto lock = std::make_unique<QLockFile>(path);
        // The program runs for days: age alone never makes a lock stale.
        lock->setStaleLockTime(std::numeric_limits<int>::max());
        if (lock->tryLock(0)) {
            m_dataFolderLock = std::move(lock);
            ListenForSecondStarts();
            return true;
        }
        // A folder where no lock can be made (read-only, full) is no sign of another copy;
        // the program starts as it did before there was a lock, and its writes report the
        // trouble.
        if (lock->error() != QLockFile::LockFailedError)
            return true;
        // Another copy made its lock just now: judged in the next round.
    }
    // A lock that stays unattributable past its age could not be removed.
    SayAlreadyRunning();
    return false;
}

void frmMain::SayAlreadyRunning() {
    SayForLock();
    Seams::MsgBox(GetText(520) + CRLF + CRLF + GetText(521), Seams::Buttons::OK,
                  Seams::Icon::Information, GetText(94));
}

bool frmMain::TakeOverLock(const DataLock::Holder& holder, qint64 age, const QString& path) {
    switch (holder.owner) {
    case DataLock::Owner::Gone:
        QFile::remove(path);
        return true;
    case DataLock::Owner::Unattributable:
        // Perhaps a copy that has just made its file and not yet written it.
        if (age >= DataLock::kUnattributableAgeMs)
            QFile::remove(path);
        else
            QThread::msleep(100);
        return true;
    case DataLock::Owner::OtherHost: {
        SayForLock();
        const QString prompt = GetText(524) + CRLF + QDir::toNativeSeparators(path) + CRLF +
                               GetText(525) + QLatin1Char(' ') + holder.hostName + CRLF + CRLF +
                               GetText(526);
        if (Seams::MsgBox(prompt, Seams::Buttons::YesNo, Seams::Icon::Question, GetText(94), 2) !=
            Seams::Answer::Yes)
            return false;
        QFile::remove(path);
        return true;
    }
    case DataLock::Owner::Running:
        // The running copy brings its window to the front and this start ends quietly; one
        // that does not answer (it hangs) keeps its lock, and the user is told.
        if (HandOverToRunningCopy())
            m_handedOver = true;
        else
            SayAlreadyRunning();
        return false;
    }
    return false;
}

QString frmMain::handoverServerName() {
    // Per user (the runtime folder is the user's own, mode 0700) and per data folder.
    const QByteArray folder = QFileInfo(lockFilePath()).absolutePath().toUtf8();
    const QString name =
        QStringLiteral("tessamail-") +
        QString::fromLatin1(
            QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16));
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? name + QLatin1Char('-') + QString::number(::getuid())
                             : QDir(runtime).filePath(name);
}

void frmMain::ListenForSecondStarts() {
    if (m_handoverServer)
        return;
    m_handoverServer = new QLocalServer(this);
    m_handoverServer->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = handoverServerName();
    // This copy holds the lock, so a socket left there belongs to one that crashed.
    if (!m_handoverServer->listen(name)) {
        QLocalServer::removeServer(name);
        m_handoverServer->listen(name);
    }
    connect(m_handoverServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_handoverServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine(64) == kHandoverRequest) {
                    BringToFront();
                    socket->write(kHandoverAnswer);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

void frmMain::BringToFront() {
    if (m_ended || !isVisible())
        return;
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // A dialog of this copy (the master key, a message) stays in front of its window.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        modal->raise();
        modal->activateWindow();
    }
}

bool frmMain::HandOverToRunningCopy() {
    QLocalSocket socket;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool answered = false;
    // The wait lets events through: the running copy may be this very process (tests).
    connect(&socket, &QLocalSocket::connected, &loop, [&] {
        socket.write(kHandoverRequest);
        socket.flush();
    });
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        if (socket.canReadLine()) {
            answered = socket.readLine(64) == kHandoverAnswer;
            loop.quit();
        }
    });
    connect(&socket, &QLocalSocket::errorOccurred, &loop, [&] { loop.quit(); });
    connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    socket.connectToServer(handoverServerName());
    deadline.start(kHandoverWaitMs);
    if (socket.state() != QLocalSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort();
    return answered;
}

void frmMain::SetWindowCaption() {
    QString caption = strProductName + QLatin1Char(' ') + strVersionText;
    if (!strNotice.isEmpty())
        caption += QStringLiteral("  ") + strNotice;
    setWindowTitle(caption);
}

void frmMain::SetModeDefaults() {
    msgState.lngMaxMessageSize = lngMaxMessageSizeInFullVersion;
    optEncrypt->setChecked(true);
    optEncrypt->setEnabled(true);
    setBold(optEncrypt, true);
    setBold(optDecrypt, false);
}

// ---- parameters file ------------------------------------------------------------------

void frmMain::ReadParametersFile() {
    std::optional<ParametersFile::Parameters> p;
    QFile file(strParametersFile);
    if (file.open(QIODevice::ReadOnly) && file.size() <= ParametersFile::kMaxFileSize)
        p = ParametersFile::parse(file.read(ParametersFile::kMaxFileSize + 1));
    if (!p) {
        // A damaged file is no reason to stop: the defaults serve until the next write.
        strStoredKeysFile = Folder::DataFilePath(QStringLiteral("tsm.dat"), GetText(316));
        if (ProgramText::language() < 0)
            ProgramText::setLanguage(ProgramText::English);
        return;
    }
    strStoredKeysFile = p->keyfilePath;
    if (ProgramText::language() < 0)
        ProgramText::setLanguage(p->language);
}

void frmMain::WriteParametersFile() {
    const int language = qMax(ProgramText::language(), 0);
    const QByteArray bytes = ParametersFile::format({strStoredKeysFile, language});
    // Nothing changed, nothing written: a start and quit leave the file (and the disk) alone.
    if (FileProc::HoldsPrivately(strParametersFile, bytes))
        return;
    // Replaced whole or not at all: a cut-off file would make the next start forget a
    // keyfile kept elsewhere.
    const QString error = FileProc::WritePrivateFile(bytes, strParametersFile);
    if (error.isEmpty())
        return;
    Seams::MsgBox(GetText(351) + QLatin1Char(' ') + strParametersFile + QLatin1Char(':') + CRLF +
                      error,
                  Seams::Buttons::OK, Seams::Icon::Exclamation, GetText(13));
}

void frmMain::SetDefaultParameters() {
    const QString newPath = Folder::DataFilePath(QStringLiteral("tsm.dat"), GetText(316));
    strStoredKeysFile = newPath;
    // A keyfile already at the new place is the current one; it is never overwritten by
    // the old one.
    if (DiskProc::FileExists(strOldKeyfilePath) && !DiskProc::FileExists(newPath)) {
        const QString prompt = GetText(346) + CRLF + strOldKeyfilePath + CRLF + CRLF +
                               GetText(347) + CRLF + newPath + CRLF + CRLF + GetText(348) + CRLF +
                               GetText(349);
        if (Seams::MsgBox(prompt, Seams::Buttons::OKCancel, Seams::Icon::None, GetText(350)) ==
            Seams::Answer::Cancel) {
            strStoredKeysFile = strOldKeyfilePath;
        } else {
            QString error;
            if (!DiskProc::CopyFile(strOldKeyfilePath, newPath, error, true)) {
                Seams::MsgBox(error, Seams::Buttons::OK, Seams::Icon::Information, GetText(13));
                // The keys stay reachable where they are.
                strStoredKeysFile = strOldKeyfilePath;
            }
        }
    }
    ProgramText::setLanguage(ProgramText::English);
    WriteParametersFile();
}

// ---- shutdown -------------------------------------------------------------------------

bool frmMain::QueryQuit() {
    if (cboKeys->count() > 0 && blnKeyListNotStored) {
        const Seams::Answer a =
            Seams::MsgBox(GetText(89) + CRLF + GetText(90), Seams::Buttons::YesNoCancel,
                          Seams::Icon::None, plainCaption(cmdQuit->text()));
        if (a == Seams::Answer::Cancel)
            return false;
        if (a == Seams::Answer::Yes) {
            // The user sees the outcome of the store and quits again.
            cmdEncryptStoredKeys_Click();
            return false;
        }
    }
    m_readyKeyTimer->stop();
    m_readyKey->discard();
    WriteParametersFile();
    Cipher::dalb();
    return true;
}

void frmMain::cmdQuit_Click() {
    close();
}

void frmMain::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_iconRequested) {
        m_iconRequested = true;
        // After this frame has reached the screen.
        QTimer::singleShot(0, this, [] { setProgramIcon(); });
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!m_ended) {
        if (!QueryQuit()) {
            event->ignore();
            return;
        }
        m_ended = true;
        Clock->stop();
        // Decrypted text must not outlive the program in the clipboard.
        SecretClipboard::clearIfOurs();
        if (m_handoverServer)
            m_handoverServer->close();
        if (m_dataFolderLock)
            m_dataFolderLock->unlock();
        WindowState::Save(this);
        emit programEnded();
    }
    event->accept();
}

// ---- modes and status -----------------------------------------------------------------

void frmMain::optEncrypt_Click() {
    SwitchMode(true);
}
void frmMain::optDecrypt_Click() {
    SwitchMode(false);
}

void frmMain::SwitchMode(bool encrypt) {
    const int shown = encrypt ? kEncryptMode : kDecryptMode;
    const int other = encrypt ? kDecryptMode : kEncryptMode;
    setBold(optEncrypt, encrypt);
    setBold(optDecrypt, !encrypt);
    blnEncrypt = encrypt;
    txbText->setReadOnly(!encrypt);
    cmdCopyFromClipboard->setEnabled(encrypt);
    cmdLoadSaveTextbox[0]->setEnabled(encrypt);

    strModeText[other] = txbText->toPlainText();
    txbText->setPlainText(strModeText[shown]);
    if (encrypt && isVisible() && txbText->isEnabled()) {
        txbText->setFocus();
        txbText->moveCursor(QTextCursor::End);
    }

    for (int i = 0; i < kSlots; ++i) {
        strModeFileName[i][other] = txbFile[i]->text();
        strModeFileSize[i][other] = lblFilesize[i]->text();
        txbFile[i]->setText(strModeFileName[i][shown]);
        lblFilesize[i]->setText(strModeFileSize[i][shown]);
        const bool hasFile = !txbFile[i]->text().isEmpty();
        SetSlotCaption(i, GetText(encrypt ? 14 : 15));
        cmdAppendSaveFile[i]->setEnabled(encrypt || hasFile);
        lblFilesize[i]->setVisible(hasFile);
        cmdClearFile[i]->setVisible(encrypt && hasFile);
        lblSaved[i]->setVisible(!encrypt && hasFile);
    }
    cmdEncryptMessage->setEnabled(encrypt);
    cmdDecryptMessage->setEnabled(!encrypt);
    // A running self-test switches modes itself and must not read the clipboard.
    if (!encrypt || !SelfTestRunning())
        UpdateClipboardLabel();
    if (blnStartupCompleted)
        AccessKeys::Assign(this);
}

bool frmMain::SelfTestRunning() const {
    return msgState.blnTest;
}

void frmMain::UpdateTextboxLabel() {
    // Counted as the size limit counts: a line break is CR LF, two characters.
    lblTextbox->setText(StatusTexts::TextboxLabel(EncDecMsg::MessageLength(text())));
}

void frmMain::UpdateClipboardLabel() {
    // Qt reports no clipboard errors: a clipboard it cannot read reads as empty.
    const QString text = QGuiApplication::clipboard()->text();
    lblClipboard->setText(StatusTexts::ClipboardLabel(text.size()));
}

void frmMain::Clock_Timer() {
    UpdateTextboxLabel();
    ShowKeyCount();
}

// ---- key list -------------------------------------------------------------------------

void frmMain::ShowKeyCount() {
    lblNumKeysSpecified->setText(StatusTexts::KeyCountLabel(cboKeys->count()));
    // The label only grows, so the key list beside it does not twitch as the count changes.
    lblNumKeysSpecified->setMinimumWidth(
        qMax(lblNumKeysSpecified->minimumWidth(), lblNumKeysSpecified->sizeHint().width()));
}

void frmMain::KeySelectedByProgram() {
    if (cboKeys->currentIndex() >= 0)
        cboKeys_Click();
}

void frmMain::cboKeys_Click() {
    if (!isVisible())
        return;
    if (blnEncrypt)
        cmdEncryptMessage->setFocus();
    else
        cmdDecryptMessage->setFocus();
}

frmMain::KeyListSnapshot frmMain::currentKeyList() const {
    KeyListSnapshot s;
    s.wasStored = !blnKeyListNotStored;
    for (int i = 0; i < cboKeys->count(); ++i) {
        s.entries.append(cboKeys->itemText(i));
        s.dates.append(CB_Man::DateAdded(cboKeys, i));
    }
    s.keyfilePath = strStoredKeysFile;
    return s;
}

void frmMain::MarkKeyListStored() {
    blnKeyListNotStored = false;
    m_beforeDeletions = {};
}

void frmMain::cmdAddKey_Click() {
    if (cboKeys->count() == 0 && DiskProc::FileExists(strStoredKeysFile)) {
        // The user may not know that the stored keys are not loaded yet.
        if (Seams::MsgBox(GetText(343) + CRLF + GetText(344), Seams::Buttons::YesNo,
                          Seams::Icon::None, GetText(345)) == Seams::Answer::Yes)
            GetKeyList();
    }
    frmKeyFrom& keys = frmKeyFrom::instance();
    frmKeyboardWithDisplay& dialog = keys.dialog();
    dialog.txbKey->clear();
    dialog.blnEncryptingKeyList = false;
    dialog.blnDecryptingKeyList = false;
    keys.KeyboardWithDisplay(this);
    if (!dialog.blnUseThisKey)
        return;

    const QString entry = CB_Man::ComposeKeyEntry(dialog.txbTarget->text(), dialog.txbDate->text(),
                                                  dialog.txbKey->text());
    // The new key is shown and selected: the list cannot stay hidden around it.
    ShowKeys();
    CB_Man::AddListItemUnique(cboKeys, entry, DatePr2::TodayJdn(), 0);
    cboKeys_Click();
    // Also for a duplicate: the user meant to change the list and is asked on quitting.
    blnKeyListNotStored = true;
    ShowKeyCount();
}

void frmMain::cmdDeleteKeyShown_Click() {
    if (m_keysHidden) {
        Seams::MsgBox(GetText(59), Seams::Buttons::OK, Seams::Icon::None,
                      commandTitle(cmdDeleteKeyShown->text()));
        return;
    }
    if (CB_Man::deletedCount() == 0)
        m_beforeDeletions = currentKeyList();
    CB_Man::DeleteShownItem(cboKeys);
    KeySelectedByProgram();
    blnKeyListNotStored = true;
    ShowKeyCount();
}

void frmMain::cmdUndoLastDeletion_Click() {
    if (m_keysHidden) {
        Seams::MsgBox(GetText(60), Seams::Buttons::OK, Seams::Icon::None,
                      commandTitle(cmdUndoLastDeletion->text()));
        return;
    }
    if (CB_Man::deletedCount() == 0) {
        Seams::MsgBox(GetText(61), Seams::Buttons::OK, Seams::Icon::Information, GetText(62));
        return;
    }
    CB_Man::UndoLastDeletion(cboKeys);
    KeySelectedByProgram();
    if (CB_Man::deletedCount() >= 1) {
        blnKeyListNotStored = true;
    } else {
        // All deletions undone: stored again only if the list was stored before them and
        // nothing else (an added key, another keyfile path) changed since.
        const KeyListSnapshot now = currentKeyList();
        blnKeyListNotStored =
            !(m_beforeDeletions.wasStored && now.entries == m_beforeDeletions.entries &&
              now.dates == m_beforeDeletions.dates &&
              now.keyfilePath == m_beforeDeletions.keyfilePath);
    }
    ShowKeyCount();
}

void frmMain::cmdKeylistHideShow_Click() {
    if (m_keysHidden) {
        ShowKeys();
        KeySelectedByProgram();
        return;
    }
    m_keysHidden = true;
    cmdKeylistHideShow->setText(GetText(35));
    savedKeyIndex = cboKeys->currentIndex();
    cboKeys->setCurrentIndex(-1);
    cboKeys->setEnabled(false);
    // Found entries would show the keys that are hidden.
    txbKeySearch->clear();
    txbKeySearch->setEnabled(false);
    AccessKeys::Assign(this);
}

void frmMain::ShowKeys() {
    txbKeySearch->setEnabled(true);
    if (!m_keysHidden) {
        cboKeys->setEnabled(true);
        return;
    }
    m_keysHidden = false;
    cmdKeylistHideShow->setText(GetText(34));
    cboKeys->setCurrentIndex(savedKeyIndex < cboKeys->count() ? savedKeyIndex : -1);
    cboKeys->setEnabled(true);
    AccessKeys::Assign(this);
}

void frmMain::cmdKeyDetails_Click() {
    if (cboKeys->count() == 0) {
        cmdAddKey->setFocus();
        return;
    }
    // There is nothing to take apart until an entry is chosen.
    if (cboKeys->currentIndex() < 0) {
        cboKeys->setFocus();
        return;
    }
    ShowKeyDetails();
}

// ---- captions -------------------------------------------------------------------------

QString frmMain::plainCaption(const QString& caption) {
    return AccessKeys::plain(caption);
}

QString frmMain::commandTitle(const QString& caption) {
    return KeyEntry::CaptionAsTitle(caption, GetText(99));
}
