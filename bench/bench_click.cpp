// SPDX-License-Identifier: GPL-3.0-or-later
// What the user waits for at the Encrypt and Decrypt clicks, in the main window as it runs:
// the largest message, the key chosen (or the mail copied) a second before the click with
// the event loop running, so that what the window derives in the background meanwhile is
// done or under way. Timed from the click until the armour is on the clipboard, or the
// decrypted text and files are in the window. Every message box gets its default button.
#include "context.h"
#include "mainwindow.h"
#include "sample.h"

#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/scripted.h"

#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <ctime>

namespace Bench {

namespace {

// How long the user takes between choosing the key (or copying the mail) and the click.
constexpr int kPauseMs = 1000;

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Untimed, between clicks: every derivation on the worker threads has ended and the window
// has seen it, so that each click starts from the same state and none pays for the last.
void settle() {
    QThreadPool* pool = QThreadPool::globalInstance();
    do {
        pool->waitForDone();
        QCoreApplication::processEvents();
    } while (pool->activeThreadCount() > 0);
}

// A started window with the sample's key in its list, selected.
bool startWithKey(MainWindow& window, benchmark::State& state,
                  const Seams::ScriptedMessageBoxes& boxes) {
    window.strOldKeyfilePath = QString::fromStdString(context().path("no-old-keyfile"));
    if (!window.Form_Load()) {
        state.SkipWithError(("start-up failed: " + boxes.lastPrompt()).toStdString().c_str());
        return false;
    }
    CB_Man::InsertSorted(window.cboKeys, context().keyEntry, 2460000);
    window.cboKeys->setCurrentIndex(window.cboKeys->findText(context().keyEntry));
    if (window.selectedKeyEntry() != context().keyEntry) {
        state.SkipWithError("the key could not be selected");
        return false;
    }
    return true;
}

struct Click {
    double seconds = 0;
    double cpuSeconds = 0;           // of the whole process: the workers' derivations included
    bool derivationUnderWay = false; // a derivation was still running when the button was pressed
    long derivations = 0;            // derivations started by the click itself
};

Click timeClick(QPushButton* button) {
    Click click;
    click.derivationUnderWay = QThreadPool::globalInstance()->activeThreadCount() > 0;
    const long runs = Cipher::scryptRuns();
    const double cpu = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    button->click();
    const auto end = std::chrono::steady_clock::now();
    click.cpuSeconds = processCpuSeconds() - cpu;
    click.derivations = Cipher::scryptRuns() - runs;
    click.seconds = std::chrono::duration<double>(end - start).count();
    return click;
}

class Clicks {
public:
    void add(benchmark::State& state, const Click& click) {
        state.SetIterationTime(click.seconds);
        m_cpu += click.cpuSeconds;
        m_underWay += click.derivationUnderWay ? 1 : 0;
        m_derivations += double(click.derivations);
    }
    void report(benchmark::State& state) const {
        const double n = double(state.iterations());
        if (n == 0)
            return;
        state.counters["process_cpu_ms"] = 1000 * m_cpu / n;
        state.counters["derivation_under_way_at_click"] = m_underWay / n;
        state.counters["derivations_in_click"] = m_derivations / n;
    }

private:
    double m_cpu = 0;
    double m_underWay = 0;
    double m_derivations = 0;
};

QString key() {
    return KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(context().keyEntry));
}

// The package an armoured text decrypts to, or empty.
QByteArray decryptedPackage(const QString& armoured) {
    const QByteArray armour = Ansi::toAnsi(armoured);
    QByteArray cipher(Cipher::kBufferSize, '\0');
    const int n =
        Cipher::dcob(armour.constData(), int(armour.size()), cipher.data(), int(cipher.size()));
    if (n <= 0)
        return {};
    QByteArray package;
    EncDecMsg::CipherBuffer(cipher.left(n), package, key(), false);
    return package;
}

void encryptClick(benchmark::State& state) {
    const Context& c = context();
    const WindowFolder folder(c.path("click-encrypt"));
    Seams::ScriptedMessageBoxes boxes; // the reports after encrypting: OK
    Seams::ScriptedModals modals;      // the progress window, should the click wait that long
    Seams::ScriptedFileDialogs dialogs;
    MainWindow window;
    if (!startWithKey(window, state, boxes))
        return;
    window.optEncrypt->click();

    // The text as the text box holds it (the window gives it back with CR LF), the files
    // attached through the file dialog as a user picks them.
    const QString text = Ansi::fromAnsi(largestText());
    window.txbText->setPlainText(
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    const QString files = QString::fromStdString(c.path("click-files"));
    QDir().mkpath(files);
    const QList<EncDecMsg::PackagedFile> sample = largestFiles();
    for (int i = 0; i < sample.size(); ++i) {
        const QString path = files + QLatin1Char('/') + QString::fromLatin1(sample[i].name);
        if (!writeFile(path.toStdString(), sample[i].contents)) {
            state.SkipWithError("the sample files could not be written");
            return;
        }
        dialogs.answer(path);
        window.cmdAppendSaveFile[i]->click();
        if (window.slotPath(i).isEmpty()) {
            state.SkipWithError(
                ("a file was not attached: " + boxes.lastPrompt()).toStdString().c_str());
            return;
        }
    }
    if (window.text() != text) {
        state.SkipWithError("the text box does not hold the sample text");
        return;
    }

    Clicks clicks;
    for (auto _ : state) {
        clipboard()->clear();
        settle();
        window.RenewReadyKey(); // as choosing the key does
        runEventLoop(kPauseMs);
        const qsizetype shown = boxes.shown.size();
        const Click click = timeClick(window.cmdEncryptMessage);
        clicks.add(state, click);

        const QString armoured = clipboard()->text();
        if (!armoured.startsWith(QStringLiteral("TessamailMessageBegin"))) {
            state.SkipWithError(("nothing on the clipboard: " +
                                 (boxes.shown.size() > shown ? boxes.lastPrompt() : QString()))
                                    .toStdString()
                                    .c_str());
            break;
        }
        if (decryptedPackage(armoured) != c.package) {
            state.SkipWithError("the clipboard does not decrypt to the package");
            break;
        }
    }
    clicks.report(state);
    settle();
    window.blnKeyListNotStored = false;
}

// Empty when the last click (after shown message boxes) showed the sample in the window and
// reported success; otherwise what went wrong.
QString decryptFailure(const MainWindow& window, const Seams::ScriptedMessageBoxes& boxes,
                       qsizetype shown) {
    if (boxes.shown.size() != shown + 1 || boxes.lastPrompt() != GetText(53))
        return QStringLiteral("not decrypted: ") + boxes.lastPrompt();
    if (window.text() != Ansi::fromAnsi(largestText()))
        return QStringLiteral("the text box does not show the sample text");
    const QList<EncDecMsg::PackagedFile> files = largestFiles();
    for (int i = 0; i < files.size(); ++i)
        if (window.txbFile[i]->text() != QString::fromLatin1(files[i].name) ||
            window.msgState.strFileContents[i] != files[i].contents)
            return QStringLiteral("file %1 did not arrive").arg(i + 1);
    return {};
}

void decryptClick(benchmark::State& state) {
    const Context& c = context();
    const WindowFolder folder(c.path("click-decrypt"));
    Seams::ScriptedMessageBoxes boxes; // the report after decrypting: OK
    Seams::ScriptedModals modals;
    MainWindow window;
    if (!startWithKey(window, state, boxes))
        return;
    window.optDecrypt->click();
    if (!window.optDecrypt->isChecked()) {
        state.SkipWithError("decrypt mode could not be chosen");
        return;
    }

    const QString mail = Ansi::fromAnsi(c.mail);

    Clicks clicks;
    for (auto _ : state) {
        // What the last click showed goes, so that only this click can pass the checks.
        window.txbText->clear();
        for (QLineEdit* slot : window.txbFile)
            slot->clear();
        clipboard()->clear();
        settle();
        clipboard()->setText(mail); // the user copies the whole received mail
        runEventLoop(kPauseMs);
        const qsizetype shown = boxes.shown.size();
        const Click click = timeClick(window.cmdDecryptMessage);
        clicks.add(state, click);

        const QString failure = decryptFailure(window, boxes, shown);
        if (!failure.isEmpty()) {
            state.SkipWithError(failure.toStdString().c_str());
            break;
        }
    }
    clicks.report(state);
    settle();
    window.blnKeyListNotStored = false;
}

} // namespace

// Each click costs a second of pause and one derivation at the written work factor: one per
// repetition.
BENCHMARK(encryptClick)
    ->Name("click/encrypt/ours")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptClick)
    ->Name("click/decrypt/ours")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace Bench
