// SPDX-License-Identifier: GPL-3.0-or-later
// Getting the key list back from the keyfile: the main window's command as a user runs it,
// from the click to the report, with 1,000 entries and the key derivation left out (the
// keyfile is made at the lowest work factor, so the master key costs microseconds).
#include "context.h"
#include "mainwindow.h"

#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keylisttext.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/scripted.h"

#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <random>

namespace Bench {

namespace {

constexpr int kEntries = 1000;
const QString kMasterKey = QStringLiteral("Unser Schlüsselbund im Benchmark 2024");

// Entries as people write them, in no particular order, so that the sorted insert works.
QList<KeyListText::Entry> sampleEntries() {
    static const char* const names[] = {"anna",  "bernd",   "chloé", "dieter", "eva",
                                        "frank", "günther", "hanna", "ivan",   "jürgen"};
    std::mt19937 generator(11);
    QList<KeyListText::Entry> entries;
    for (int i = 0; i < kEntries; ++i) {
        QString key;
        const int length = 20 + int(generator() % 45);
        for (int k = 0; k < length; ++k)
            key += QChar(k % 6 == 5 ? ' ' : 'a' + int(generator() % 26));
        const QString entry = QString::fromUtf8(names[generator() % std::size(names)]) +
                              QStringLiteral(".%1@example.org \u00AB2024-%2-%3\u00BB ")
                                  .arg(generator() % 100000)
                                  .arg(1 + generator() % 12, 2, 10, QChar('0'))
                                  .arg(1 + generator() % 28, 2, 10, QChar('0')) +
                              key;
        entries.append({entry, qint32(2460000 + generator() % 1000)});
    }
    return entries;
}

QByteArray keyfileBytes(const QList<KeyListText::Entry>& entries) {
    const int saved = Cipher::workFactor();
    Cipher::setWorkFactor(1);
    QByteArray cipher;
    EncDecMsg::CipherBuffer(KeyListText::FormatKeyListText(entries), cipher,
                            KeyRules::ExtendedReducedKey(kMasterKey), true);
    Cipher::setWorkFactor(saved);
    return cipher;
}

void getKeyList(benchmark::State& state) {
    const Context& c = context();
    const WindowFolder folder(c.path("keylist"));
    Seams::ScriptedMessageBoxes boxes; // every question answered with its default: Yes
    Seams::ScriptedModals modals;
    MainWindow window;
    window.strOldKeyfilePath = QString::fromStdString(c.path("no-old-keyfile"));
    if (!window.Form_Load()) {
        state.SkipWithError("start-up failed");
        return;
    }
    window.blnKeyfilePathShown = true;
    const QByteArray keyfile = keyfileBytes(sampleEntries());
    if (keyfile.isEmpty() || !writeFile(window.strStoredKeysFile.toStdString(), keyfile)) {
        state.SkipWithError("the keyfile could not be made");
        return;
    }

    for (auto _ : state) {
        state.PauseTiming();
        window.cboKeys->clear();
        // The master-key dialog: the key typed, then "use this key".
        modals.script([](QDialog* d) {
            auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
            if (!dialog)
                return;
            dialog->txbKey->setText(kMasterKey);
            dialog->cmdYes->click();
        });
        state.ResumeTiming();
        window.cmdDecryptStoredKeys->click();
        if (window.cboKeys->count() != kEntries) {
            state.SkipWithError(
                ("the key list was not read: " + boxes.lastPrompt().toStdString()).c_str());
            break;
        }
    }
    window.blnKeyListNotStored = false;
}

// The part after the decryption: the text parsed and every entry put into its sorted place.
void fillKeyList(benchmark::State& state) {
    const QByteArray text = KeyListText::FormatKeyListText(sampleEntries());
    QComboBox list;
    for (auto _ : state) {
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
        const KeyListText::ParseResult parsed = KeyListText::ParseKeyListText(text);
        for (const KeyListText::Entry& e : parsed.entries)
            CB_Man::InsertSorted(&list, e.text, e.dateAdded);
        if (list.count() != kEntries) {
            state.SkipWithError("the list was not filled");
            break;
        }
    }
}

} // namespace

BENCHMARK(getKeyList)->Name("keys/keyfile_get_1000/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(fillKeyList)->Name("keys/fill_list_1000/ours")->Unit(benchmark::kMillisecond);

} // namespace Bench
