// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The encryption self-test. Each round makes a random key, a random text and up to three
// random files, packs and encrypts them as the encrypt command would, buries the armoured
// text in random text, decrypts it through the normal decryption and compares what came
// back with what went in. Rounds run one at a time or continuously until stopped; the main
// window shows the stages (its modes switch, its text box shows the armour).
//
// The window is modal over the main window. It never touches the clipboard.
#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>
#include <array>
#include <functional>

class QCheckBox;
class QEventLoop;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class frmMain;

namespace EncDecMsg {
struct State;
} // namespace EncDecMsg

class frmTest : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 3;
    static constexpr qint32 kMaxMessageSize = 102400;
    static constexpr qint32 kGreatestTextLength = 70000;
    static constexpr qint32 kLastRound = 100000;
    static constexpr int kPauseAfterEncryption = 2000; // ms, so the armour can be seen
    static constexpr int kPauseAfterRound = 3000;      // ms, between continuous rounds

    // mainWindow: whose modes, text box and slots show the stages, whose message state the
    // rounds use, and where a decryption puts its text and files.
    explicit frmTest(frmMain& mainWindow);
    ~frmTest() override;

    // ---- round state ------------------------------------------------------------------
    QString strTestText; // the text portion that was packed
    bool blnStopTest = false;
    int intNumTestFiles = 0;
    qint32 lngRoundNum = 0;
    std::array<QByteArray, kSlots> strTestFileContents;

    // Runs rounds until one fails, Stop or Close is pressed, a round ends while "Run
    // without pause" is not ticked, or the last round is done.
    void RunTest();
    // Makes the key, text and files of one round, shows them and leaves the package in
    // the message state. False: the round cannot run; the reason was shown and is kept in
    // strTestErrMsg.
    bool PrepareTestMessage(qint32 greatestTextLength);
    // Empties the display of this window and the main window's text box and slots.
    void ClearTestDisplay();
    // Random contents (bytes 0 to 255, repetitive) for up to count files, each between 1
    // byte and one more than the budget still left; no file is made once nothing is left,
    // so none comes out empty. The round has as many files as this returns.
    static QList<QByteArray> MakeTestFiles(int count, qint64 budget);
    void SetLanguageDependentText();
    bool running() const { return m_running; }

    void cmdStartStop_Click();
    void chkRunWithoutPause_Click();
    // Stops the test and hides the window. While a round runs, the window closes when the
    // round is over.
    void cmdClose_Click();

    EncDecMsg::State& messageState();

    // ---- for tests --------------------------------------------------------------------
    // Lengths of the two pauses in ms (0: none); the defaults are restored by
    // resetPauses().
    static void setPauses(int afterEncryption, int afterRound);
    static void resetPauses();
    // Runs in every round after the armour has been buried and before it is decrypted, so
    // that a test can spoil a round on purpose. An empty function removes it.
    using RoundHook = std::function<void(frmTest&)>;
    static void setBeforeDecryptionHook(RoundHook hook);

    // ---- controls -----------------------------------------------------------------------
    QPushButton* cmdStartStop;
    QCheckBox* chkRunWithoutPause;
    QLabel* lblRoundNum;
    QPushButton* cmdClose;
    QFrame* fraDisplay;
    QPlainTextEdit* txbTestText;
    QLabel* lblKey;
    QLabel* lblTextSize;
    QLabel* lblAppendedFiles;
    std::array<QLabel*, kSlots> lblAppendedFile;
    QLabel* lblTotalMessageSize;
    QLabel* lblDecryptionResult;

public slots:
    // Escape and the window's close button act as Close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Activate();
    void placeBelowMainWindow(int heightTwips);
    // Waits ms while the window stays responsive; Stop and Close end the wait early.
    void Pause(int ms);
    // Surrounds the armoured text with random text; returns how much was put in front.
    qsizetype BuryCipherText();
    void failRound(const QString& message);

    frmMain& m_main;
    QEventLoop* m_pause = nullptr;
    bool m_running = false;
    bool m_closeRequested = false;
};
