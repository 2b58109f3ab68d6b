// SPDX-License-Identifier: GPL-3.0-or-later
// The key-list text, as a keyfile decrypts to it. A damaged or foreign list must be refused
// whole, and an accepted one must be read exactly, or keys would be lost or changed when the
// list is stored again.
//
// Invariants (the input is handed over without a terminating NUL, so AddressSanitizer sees
// any read beyond it):
// - an accepted text is its records field by field: every entry is its bytes, every date
//   added is the value of its field; written again it is the same text, up to how the
//   numbers were spelt, and reads back to the same entries;
// - a refused text gives no entries, and its fault lies where it says: the records before
//   it are accepted on their own, the record it names is not.
#include "check.h"

#include "keys/keylisttext.h"
#include "support/ansi.h"

#include <QByteArray>

#include <cstdint>

using namespace KeyListText;

namespace {

// [-]digits, leading zeros allowed, read without the parser's help.
bool fieldReadsAs(QByteArrayView field, qint32 value) {
    const bool negative = field.startsWith('-');
    QByteArrayView digits = field.sliced(negative ? 1 : 0);
    if (digits.isEmpty())
        return false;
    for (char c : digits)
        if (c < '0' || c > '9')
            return false;
    while (digits.size() > 1 && digits.front() == '0')
        digits = digits.sliced(1);
    return digits == QByteArray::number(negative ? -qint64(value) : qint64(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ParseResult parsed = ParseKeyListText(text);

    if (!parsed.ok()) {
        FUZZ_CHECK(parsed.entries.isEmpty());
        if (parsed.error == Error::Empty) {
            FUZZ_CHECK(text.isEmpty());
            return 0;
        }
        FUZZ_CHECK(parsed.errorOffset >= 0 && parsed.errorOffset < text.size());
        FUZZ_CHECK(parsed.errorRecord == text.first(parsed.errorOffset).count('\t') / 2);
        if (parsed.errorOffset > 0) {
            const ParseResult before = ParseKeyListText(text.first(parsed.errorOffset));
            FUZZ_CHECK(before.ok() && before.entries.size() == parsed.errorRecord);
        }
        const ParseResult from = ParseKeyListText(text.sliced(parsed.errorOffset));
        FUZZ_CHECK(from.error == parsed.error && from.errorRecord == 0 && from.errorOffset == 0);
        return 0;
    }

    FUZZ_CHECK(!parsed.entries.isEmpty() && text.endsWith('\t'));
    const QList<QByteArray> fields = text.chopped(1).split('\t');
    FUZZ_CHECK(fields.size() == 2 * parsed.entries.size());
    for (qsizetype i = 0; i < parsed.entries.size(); ++i) {
        const Entry& e = parsed.entries[i];
        FUZZ_CHECK(!e.text.isEmpty() && !e.text.contains(QLatin1Char('\t')));
        FUZZ_CHECK(Ansi::toAnsi(e.text) == fields[2 * i]);
        FUZZ_CHECK(fieldReadsAs(fields[2 * i + 1], e.dateAdded));
    }

    const QByteArray written = FormatKeyListText(parsed.entries);
    FUZZ_CHECK(written.size() <= text.size());
    const ParseResult again = ParseKeyListText(written);
    FUZZ_CHECK(again.ok() && again.entries == parsed.entries);
    // Written the way the program writes numbers, the text is exactly what was read.
    bool canonical = true;
    for (qsizetype i = 1; i < fields.size(); i += 2)
        canonical = canonical && fields[i] == QByteArray::number(parsed.entries[i / 2].dateAdded);
    FUZZ_CHECK(canonical == (written == text));
    return 0;
}
