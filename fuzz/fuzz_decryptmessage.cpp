// SPDX-License-Identifier: GPL-3.0-or-later
// The whole receiving side over arbitrary clipboard text, as the decrypt command runs it:
// block search, de-armouring (and the second try over a cleaned copy), the header and its
// work factor, the key derivation on the worker at a discounted cost, db, and the split into
// the window.
//
// Invariants:
// - the window is touched only when the message decrypted: text first, then the files in
//   slot order, each with its contents kept in the state;
// - a failure is reported in exactly one message box and leaves its text for the self-test;
//   a costly work factor asks first (answered No here) and then derives nothing;
// - nothing above the ceiling is ever derived, and at most one derivation runs per input.
#include "check.h"

#include "backends/cipher/cipher.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/scripted.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace {

// The fuzz key; seeds in fuzz/corpus/decryptmessage are encrypted under it.
const QString kEntry = QStringLiteral("fuzz@example.org \u00ab\u00bb fuzzing key of sixteen+");

class Window final : public EncDecMsg::MessageWindow {
public:
    QString text() const override { return {}; }
    QString slotPath(int) const override { return {}; }
    QString selectedKeyEntry() const override { return kEntry; }
    void showDecryptedText(const QString& t) override {
        FUZZ_CHECK(files == 0 && !textShown);
        textShown = true;
        shownText = t;
    }
    void showReceivedFile(int slot, const QString&, qint32 size) override {
        FUZZ_CHECK(textShown && slot == files && slot < EncDecMsg::kNumSlots && size >= 0);
        ++files;
    }
    void selectDecryptMode() override { FUZZ_CHECK(false); } // not a self-test

    bool textShown = false;
    QString shownText;
    int files = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!Cipher::alb())
        std::abort();
    // Whatever a file names, its derivation costs what work factor 2 would.
    Cipher::setDerivationDiscountForTests(Cipher::kSilentWorkFactor - 2);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4 * std::size_t(Cipher::kBufferSize))
        return 0; // far beyond any clipboard the command would take
    const QString received =
        QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    EncDecMsg::State state;
    state.strCipherText = Ansi::toAnsi(received);
    state.strReceivedText = received;
    Window window;
    Seams::ScriptedMessageBoxes boxes; // every question answered with its default: No
    const long runsBefore = Cipher::scryptRuns();

    const bool ok = EncDecMsg::DecryptMessage(state, window);

    const long runs = Cipher::scryptRuns() - runsBefore;
    FUZZ_CHECK(runs == 0 || runs == 1);
    const bool asked =
        !boxes.shown.isEmpty() && boxes.shown.first().buttons == Seams::Buttons::YesNo;
    if (asked)
        FUZZ_CHECK(runs == 0 && !ok && boxes.shown.size() == 1 && !window.textShown);
    if (ok) {
        FUZZ_CHECK(boxes.shown.isEmpty() && runs == 1 && window.textShown);
    } else if (!asked) {
        FUZZ_CHECK(boxes.shown.size() == 1);
        FUZZ_CHECK(state.strTestErrMsg == boxes.shown.first().prompt ||
                   runs == 1); // wrong key keeps text 159 for the self-test
    }
    if (runs == 1) {
        const int factor = EncDecMsg::ReceivedWorkFactor(state.strCipherText);
        FUZZ_CHECK(factor >= 1 && factor <= Cipher::kSilentWorkFactor);
    }
    return 0;
}
