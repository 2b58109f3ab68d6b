// SPDX-License-Identifier: GPL-3.0-or-later
#include "selftest/frmtest.h"

#include "keys/keyrules.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmmain.h"
#include "message/encdecmsg.h"
#include "message/readykey.h"
#include "selftest/strproc.h"
#include "support/accessibleroles.h"
#include "support/accesskeys.h"
#include "support/ansi.h"
#include "support/backgroundwait.h"
#include "support/fileproc.h"
#include "support/seams.h"
#include "support/twips.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCRLF = QStringLiteral("\r\n");
const QString kExtensions = QStringLiteral("zipdoctxtpdfmdbgifjpgpngbmpxlscpp");

// Heights of the window without and with the display, in twips; the window grows further
// when its controls need more room.
constexpr int kIdleHeight = 1500;
constexpr int kRunningHeight = 3435;
constexpr int kBelowMainWindow = 5400;

int pauseAfterEncryption = frmTest::kPauseAfterEncryption;
int pauseAfterRound = frmTest::kPauseAfterRound;
frmTest::RoundHook beforeDecryption;

template <typename T> T* named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

void redraw(QWidget* w) {
    w->repaint();
}

// Word-like text of which no character can belong to an armoured block, drawn from the
// program's one generator so that a round depends on nothing else.
QString randomText() {
    QRandomGenerator rng(quint32(StrProc::Rnd() * 4294967296.0));
    return EncDecMsg::RandomText(rng);
}

} // namespace

frmTest::frmTest(frmMain& mainWindow) : QDialog(&mainWindow), m_main(mainWindow) {
    setObjectName(QStringLiteral("frmTest"));
    // The same word in both languages.
    setWindowTitle(QStringLiteral("Test"));
    setModal(true);

    auto* root = new QVBoxLayout(this);

    auto* commands = new QHBoxLayout;
    cmdStartStop = named(new QPushButton(tr("Start"), this), QStringLiteral("cmdStartStop"));
    cmdStartStop->setDefault(true);
    chkRunWithoutPause =
        named(new QCheckBox(tr("Run without pause"), this), QStringLiteral("chkRunWithoutPause"));
    lblRoundNum = named(new QLabel(this), QStringLiteral("lblRoundNum"));
    cmdClose = named(new QPushButton(tr("Close"), this), QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    commands->addWidget(cmdStartStop);
    commands->addWidget(chkRunWithoutPause);
    commands->addStretch(1);
    commands->addWidget(lblRoundNum);
    commands->addStretch(1);
    commands->addWidget(cmdClose);
    root->addLayout(commands);

    fraDisplay = named(new QFrame(this), QStringLiteral("fraDisplay"));
    fraDisplay->setFrameShape(QFrame::StyledPanel);
    auto* display = new QVBoxLayout(fraDisplay);
    txbTestText = named(new QPlainTextEdit(fraDisplay), QStringLiteral("txbTestText"));
    txbTestText->setReadOnly(true);
    txbTestText->setTabChangesFocus(true);
    txbTestText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txbTestText->setFixedHeight(txbTestText->fontMetrics().lineSpacing() * 3 +
                                2 * txbTestText->frameWidth() + 8);
    display->addWidget(txbTestText);
    lblKey = named(new QLabel(fraDisplay), QStringLiteral("lblKey"));
    lblKey->setTextFormat(Qt::PlainText);
    lblKey->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblTextSize = named(new QLabel(fraDisplay), QStringLiteral("lblTextSize"));
    lblAppendedFiles = named(new QLabel(fraDisplay), QStringLiteral("lblAppendedFiles"));
    display->addWidget(lblKey);
    display->addWidget(lblTextSize);
    display->addWidget(lblAppendedFiles);
    for (int i = 0; i < kSlots; ++i) {
        lblAppendedFile[i] =
            named(new QLabel(fraDisplay), QStringLiteral("lblAppendedFile_") + QString::number(i));
        lblAppendedFile[i]->setIndent(twipsToPixels(300));
        display->addWidget(lblAppendedFile[i]);
    }
    lblTotalMessageSize = named(new QLabel(fraDisplay), QStringLiteral("lblTotalMessageSize"));
    lblDecryptionResult = named(new QLabel(fraDisplay), QStringLiteral("lblDecryptionResult"));
    lblDecryptionResult->setWordWrap(true);
    lblDecryptionResult->setTextFormat(Qt::PlainText);
    display->addWidget(lblTotalMessageSize);
    display->addWidget(lblDecryptionResult);
    for (QLabel* l : {lblKey, lblTextSize, lblAppendedFiles, lblTotalMessageSize})
        l->setTextFormat(Qt::PlainText);
    root->addWidget(fraDisplay);
    root->addStretch(1);

    connect(cmdStartStop, &QPushButton::clicked, this, &frmTest::cmdStartStop_Click);
    connect(chkRunWithoutPause, &QCheckBox::clicked, this, &frmTest::chkRunWithoutPause_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmTest::cmdClose_Click);

    fraDisplay->hide();
    lblRoundNum->hide();
    // Created after the language was chosen: take its captions rather than the design-time
    // English ones.
    if (!GetText(101).isEmpty())
        SetLanguageDependentText();
}

frmTest::~frmTest() = default;

EncDecMsg::State& frmTest::messageState() {
    return m_main.msgState;
}

void frmTest::setPauses(int afterEncryption, int afterRound) {
    pauseAfterEncryption = afterEncryption;
    pauseAfterRound = afterRound;
}

void frmTest::resetPauses() {
    setPauses(kPauseAfterEncryption, kPauseAfterRound);
}

void frmTest::setBeforeDecryptionHook(RoundHook hook) {
    beforeDecryption = std::move(hook);
}

void frmTest::SetLanguageDependentText() {
    cmdClose->setText(GetText(101));
    chkRunWithoutPause->setText(GetText(122));
    cmdStartStop->setText(m_running && chkRunWithoutPause->isChecked() ? GetText(103)
                                                                       : GetText(102));
    txbTestText->setAccessibleName(GetText(492));
    AccessibleRoles::NameScrollBars(txbTestText);
    fraDisplay->setAccessibleName(GetText(493));
    AccessKeys::Assign(this);
}

// ---- opening ----------------------------------------------------------------------------

void frmTest::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Restored from minimised with the rest of the program: nothing to reset.
    if (!event->spontaneous())
        Form_Activate();
}

void frmTest::Form_Activate() {
    cmdStartStop->setText(GetText(102));
    cmdStartStop->setEnabled(true);
    blnStopTest = false;
    ClearTestDisplay();
    fraDisplay->hide();
    lblRoundNum->hide();
    chkRunWithoutPause->setChecked(false);
    StrProc::Randomize();
    messageState().lngMaxMessageSize = kMaxMessageSize;
    lngRoundNum = 0;
    placeBelowMainWindow(kIdleHeight);
    cmdStartStop->setFocus();
}

void frmTest::placeBelowMainWindow(int heightTwips) {
    ensurePolished();
    if (QLayout* l = layout())
        l->activate();
    const int height = qMax(twipsToPixels(heightTwips), minimumSizeHint().height());
    // Positions are of the outer frame; this window's frame is taken to be like the main
    // window's, which is on the screen already.
    const QRect main = m_main.frameGeometry();
    const QRect inner = m_main.geometry();
    const QMargins frame(inner.left() - main.left(), inner.top() - main.top(),
                         main.right() - inner.right(), main.bottom() - inner.bottom());
    resize(inner.width(), height);
    QRect outer = QRect(QPoint(0, 0), size()).marginsAdded(frame);
    outer.moveTopLeft(QPoint(main.left(), main.top() + twipsToPixels(kBelowMainWindow)));
    // Low on the screen the window would hang over the edge: lift it just enough.
    if (const QScreen* screen = m_main.screen()) {
        const QRect avail = screen->availableGeometry();
        outer.moveBottom(qMin(outer.bottom(), avail.bottom()));
        outer.moveTop(qMax(outer.top(), avail.top()));
    }
    move(outer.topLeft());
}

// ---- commands ---------------------------------------------------------------------------

void frmTest::cmdStartStop_Click() {
    if (m_running) {
        // Rounds are running continuously: the current one finishes, then the run ends.
        blnStopTest = true;
        if (m_pause)
            m_pause->quit();
        return;
    }
    if (chkRunWithoutPause->isChecked()) {
        cmdStartStop->setText(GetText(103));
        AccessKeys::Assign(this);
        blnStopTest = false;
    } else {
        cmdStartStop->setEnabled(false);
    }
    fraDisplay->show();
    placeBelowMainWindow(kRunningHeight);
    // The main window's counts would only show the test's own texts.
    m_main.lblTextbox->hide();
    m_main.lblClipboard->hide();
    m_main.lblNumKeysSpecified->hide();
    RunTest();
}

void frmTest::chkRunWithoutPause_Click() {
    cmdStartStop->setFocus();
}

void frmTest::cmdClose_Click() {
    if (m_running) {
        // The round under way cannot be cut short; the window closes once it is over.
        blnStopTest = true;
        m_closeRequested = true;
        if (m_pause)
            m_pause->quit();
        return;
    }
    blnStopTest = true;
    chkRunWithoutPause->setChecked(false);
    ClearTestDisplay();

    m_main.optEncrypt->setChecked(true);
    setBold(m_main.optEncrypt, true);
    redraw(m_main.optEncrypt);
    m_main.lblClipboard->show();
    m_main.lblNumKeysSpecified->show();
    m_main.lblTextbox->show();

    messageState().lngMaxMessageSize = m_main.lngMaxMessageSizeInFullVersion;
    m_main.txbText->clear();
    done(QDialog::Rejected);
}

void frmTest::reject() {
    cmdClose_Click();
}

// ---- the rounds -------------------------------------------------------------------------

void frmTest::Pause(int ms) {
    if (ms <= 0 || blnStopTest)
        return;
    QEventLoop loop;
    m_pause = &loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    m_pause = nullptr;
}

void frmTest::ClearTestDisplay() {
    for (QLabel* l :
         {lblKey, lblTextSize, lblAppendedFiles, lblTotalMessageSize, lblDecryptionResult,
          lblAppendedFile[0], lblAppendedFile[1], lblAppendedFile[2]})
        l->clear();
    txbTestText->clear();
    m_main.txbText->clear();
    for (int i = 0; i < kSlots; ++i) {
        m_main.txbFile[i]->clear();
        m_main.lblFilesize[i]->clear();
    }
    redraw(&m_main);
}

void frmTest::failRound(const QString& message) {
    messageState().strTestErrMsg = message;
    Seams::MsgBox(message, Seams::Buttons::OK, Seams::Icon::Exclamation, GetText(13));
}

void frmTest::RunTest() {
    EncDecMsg::State& state = messageState();
    state.blnTest = true;
    // The test keeps its own timing: no derivation made ahead runs beside it.
    if (state.readyKey)
        state.readyKey->discard();
    m_running = true;
    // Keys are derived on a worker while this window keeps Stop and Close working; the
    // rounds show their own progress.
    const BackgroundWait::Scope wait(windowTitle(), this);
    // One made ahead that is still under way ends first (a Cancel here only lets the first
    // round share the machine with it).
    if (state.readyKey)
        BackgroundWait::waitFor(state.readyKey->lastStarted());

    for (;;) {
        // Stop and Close clicks arrive here.
        QCoreApplication::processEvents();
        if (blnStopTest)
            break;
        ClearTestDisplay();
        state.strTestErrMsg.clear();
        setBold(m_main.optEncrypt, false);
        setBold(m_main.optDecrypt, false);

        ++lngRoundNum;
        lblRoundNum->setText(GetText(105) + QStringLiteral(" #") + QString::number(lngRoundNum));
        lblRoundNum->show();
        redraw(lblRoundNum);

        m_main.optEncrypt->setChecked(true);
        redraw(m_main.optEncrypt);

        if (!PrepareTestMessage(kGreatestTextLength))
            break;
        // A failed encryption has reported itself; decrypting its empty result would only
        // add a second, misleading report.
        if (EncDecMsg::EncryptPackage(state, KeyRules::ExtendedReducedKey(state.strRandomKey)) <= 0)
            break;

        const qsizetype n = BuryCipherText();
        QString start = Ansi::fromAnsi(state.strCipherText.mid(n, 500));
        start.replace(kCRLF, QStringLiteral("\n"));
        m_main.txbText->setPlainText(QLatin1Char('[') + GetText(106) + QStringLiteral("]\n") +
                                     start);
        redraw(m_main.txbText);
        setBold(m_main.optEncrypt, false);
        redraw(m_main.optEncrypt);

        if (beforeDecryption)
            beforeDecryption(*this);
        Pause(pauseAfterEncryption);

        m_main.optDecrypt->setChecked(true);
        // Only this round's armour and files may count: nothing the user received before
        // takes part in the search or the comparison.
        state.strReceivedText.clear();
        state.strFileContents = {};
        const bool ok = EncDecMsg::DecryptMessage(state, m_main);
        setBold(m_main.optDecrypt, false);
        redraw(m_main.optDecrypt);
        if (!ok)
            break;

        if (strTestText != state.strTestText2) {
            failRound(GetText(107));
            break;
        }
        bool filesEqual = true;
        for (int i = 0; i < intNumTestFiles && filesEqual; ++i) {
            if (strTestFileContents[i] != state.strFileContents[i]) {
                failRound(GetText(109) + QLatin1Char(' ') + QString::number(i) + GetText(108));
                filesEqual = false;
            }
        }
        if (!filesEqual)
            break;

        lblDecryptionResult->setText(GetText(104));
        redraw(lblDecryptionResult);
        redraw(&m_main);

        if (chkRunWithoutPause->isChecked())
            Pause(pauseAfterRound);
        if (lngRoundNum >= kLastRound || !chkRunWithoutPause->isChecked())
            break;
    }

    if (lblDecryptionResult->text() != GetText(104))
        lblDecryptionResult->setText(state.strTestErrMsg);
    cmdStartStop->setText(GetText(102));
    cmdStartStop->setEnabled(true);
    chkRunWithoutPause->setChecked(false);
    blnStopTest = false;
    state.blnTest = false;
    m_running = false;
    AccessKeys::Assign(this);

    if (m_closeRequested) {
        m_closeRequested = false;
        cmdClose_Click();
    } else if (isVisible()) {
        cmdStartStop->setFocus();
    }
}

qsizetype frmTest::BuryCipherText() {
    QByteArray& cipherText = messageState().strCipherText;
    const QByteArray crlf("\r\n");
    qsizetype n = 0;
    if (StrProc::Rnd() > 0.5) {
        const QByteArray s = Ansi::toAnsi(randomText());
        const double r2 = StrProc::Rnd();
        if (r2 <= 0.25) {
            cipherText.prepend(s + crlf + crlf);
            n = s.size() + 4;
        } else if (r2 <= 0.5) {
            // Glued to the armour: the block does not start a line.
            cipherText.prepend(s);
            n = s.size();
        } else {
            cipherText.prepend(s + crlf);
            n = s.size() + 2;
        }
    }
    if (StrProc::Rnd() > 0.5) {
        const QByteArray s = Ansi::toAnsi(randomText());
        if (StrProc::Rnd() <= 0.5)
            cipherText.append(crlf + crlf + s);
        else
            cipherText.append(crlf + s);
    }
    return n;
}

QList<QByteArray> frmTest::MakeTestFiles(int count, qint64 budget) {
    QList<QByteArray> files;
    // A file may come out one byte longer than the budget, so the budget can go below 0;
    // a file asked for with nothing left could come out empty.
    for (int i = 0; i < count && budget > 0; ++i) {
        files.append(
            StrProc::RandomBytes(1, int(qMin<qint64>(budget, kMaxMessageSize)), 0, 255, true));
        budget -= files.last().size();
    }
    return files;
}

bool frmTest::PrepareTestMessage(qint32 greatestTextLength) {
    EncDecMsg::State& state = messageState();
    ClearTestDisplay();

    // Spaces only would trim to nothing, which no cipher key can be made of: draw again.
    do
        state.strRandomKey =
            StrProc::RandomCharacters(KeyRules::kMinKeyLength, KeyRules::kMaxKeyLength, false);
    while (KeyRules::ReducedKey(state.strRandomKey).isEmpty());
    lblKey->setText(GetText(110) + QStringLiteral(" (") +
                    QString::number(state.strRandomKey.size()) + QLatin1Char(' ') + GetText(111) +
                    QStringLiteral("):  ") + state.strRandomKey);
    redraw(lblKey);

    QString r = randomText();
    r.replace(kCRLF, QStringLiteral(" "));
    strTestText = r + QLatin1Char('[') + GetText(112) + QStringLiteral("] ") +
                  StrProc::RandomCharacters(1, greatestTextLength, true);
    txbTestText->setPlainText(strTestText.left(400) + QStringLiteral(" ..."));
    redraw(txbTestText);
    lblTextSize->setText(GetText(113) + QStringLiteral(": ") +
                         FileProc::KBText(qint32(strTestText.size())));
    redraw(lblTextSize);

    const QList<QByteArray> made =
        MakeTestFiles(int(4 * StrProc::Rnd()), kMaxMessageSize - 100 - strTestText.size());
    intNumTestFiles = int(made.size());
    std::array<qint32, kSlots> size{};
    for (int i = 0; i < intNumTestFiles; ++i) {
        strTestFileContents[i] = made[i];
        size[i] = qint32(made[i].size());
    }
    for (int i = intNumTestFiles; i < kSlots; ++i)
        strTestFileContents[i].clear();
    // Counted after the files are made, so that it tells how many the round really has.
    if (intNumTestFiles == 0)
        lblAppendedFiles->setText(GetText(114));
    else if (intNumTestFiles == 1)
        lblAppendedFiles->setText(GetText(115) + QLatin1Char(':'));
    else
        lblAppendedFiles->setText(QString::number(intNumTestFiles) + QLatin1Char(' ') +
                                  GetText(116) + QLatin1Char(':'));
    redraw(lblAppendedFiles);

    if (strTestText.size() > kMaxMessageSize) {
        state.strTestErrMsg = GetText(117);
        EncDecMsg::TooLargeErrMsg(state, state.strTestErrMsg);
        return false;
    }

    qint64 total = strTestText.size();
    bool tooLarge = false;
    QList<EncDecMsg::PackagedFile> files;
    QString previousName;
    for (int i = 0; i < intNumTestFiles; ++i) {
        if (size[i] == 0) {
            state.strTestErrMsg = previousName + QLatin1Char(' ') + GetText(118);
            Seams::MsgBox(state.strTestErrMsg, Seams::Buttons::OK, Seams::Icon::Exclamation,
                          GetText(51));
            return false;
        }
        total += size[i];
        if (total > kMaxMessageSize) {
            tooLarge = true;
            continue;
        }
        const QString name = StrProc::RandomFileName(kExtensions);
        previousName = name;
        files.append({Ansi::toAnsi(name), strTestFileContents[i]});
        lblAppendedFile[i]->setText(name + QStringLiteral(" (") + FileProc::KBText(size[i]) +
                                    QLatin1Char(')'));
        redraw(lblAppendedFile[i]);
    }
    state.strPlainPackage = EncDecMsg::BuildPackage(Ansi::toAnsi(strTestText), files);
    lblTotalMessageSize->setText(GetText(119) + QStringLiteral(": ") +
                                 FileProc::KBText(qint32(state.strPlainPackage.size())));
    redraw(lblTotalMessageSize);

    if (state.strPlainPackage.size() < 4) {
        state.strTestErrMsg = GetText(120);
        Seams::MsgBox(state.strTestErrMsg, Seams::Buttons::OK, Seams::Icon::Exclamation,
                      GetText(51));
        return false;
    }
    if (tooLarge) {
        state.strTestErrMsg = GetText(121) + QStringLiteral(": ") +
                              FileProc::BytesText(qint32(total), false) + QStringLiteral(" (") +
                              FileProc::KBText(qint32(total)) + QLatin1Char(')');
        EncDecMsg::TooLargeErrMsg(state, state.strTestErrMsg);
        return false;
    }
    return true;
}
