// SPDX-License-Identifier: GPL-3.0-or-later
// The split of a decrypted plaintext package into text and files. A package only comes
// from someone holding the key, but a broken or hostile sender must not make the split read
// beyond it or hand out anything that is not in it.
//
// Invariants (the input is handed over without a terminating NUL, so AddressSanitizer sees
// any read beyond it):
// - the error code is one of the documented ones and agrees with how far the split got;
// - the text, the names and the contents are the pieces of the package at the places its
//   length fields give, the fields read as those lengths, and rest is what follows them;
// - building a package from what the split returned and splitting it again gives the same;
//   where the length fields are written the way the builder writes them, the built package
//   is the part that was read, with the closing TAB.
#include "check.h"

#include "message/encdecmsg.h"

#include <QByteArray>

#include <cstdint>

using namespace EncDecMsg;

namespace {

// A length field as the split reads it: digits only, empty is 0.
bool fieldReadsAs(QByteArrayView field, qsizetype value, bool& canonical) {
    if (field.size() > 18)
        return false;
    qsizetype n = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (field != QByteArray::number(value))
        canonical = false;
    return n == value;
}

bool sameSplit(const SplitPackage& a, const SplitPackage& b) {
    if (a.errorCode != b.errorCode || a.text != b.text || a.files.size() != b.files.size())
        return false;
    for (qsizetype i = 0; i < a.files.size(); ++i)
        if (a.files[i].name != b.files[i].name || a.files[i].contents != b.files[i].contents)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray package =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const SplitPackage split = SplitDecryptedPackage(package);

    const int code = split.errorCode;
    const qsizetype files = split.files.size();
    FUZZ_CHECK(files <= kNumSlots);
    if (code == -1 || code == -2) {
        FUZZ_CHECK(!split.text && files == 0);
        FUZZ_CHECK(split.rest == package);
        FUZZ_CHECK((code == -1) == !package.contains('\t'));
        return 0;
    }
    FUZZ_CHECK(split.text.has_value());
    if (code != 0) {
        const int slot = code / 10;
        const int kind = code % 10;
        FUZZ_CHECK(slot < kNumSlots && kind >= 1 && kind <= 3 && files == slot);
    }

    // Walk the package along what the split returned.
    bool canonical = true;
    const QByteArrayView all(package);
    qsizetype tab = all.indexOf('\t');
    FUZZ_CHECK(tab >= 0 && fieldReadsAs(all.first(tab), split.text->size(), canonical));
    FUZZ_CHECK(all.sliced(tab + 1).startsWith(*split.text));
    qsizetype at = tab + 1 + split.text->size();
    for (const PackagedFile& file : split.files) {
        FUZZ_CHECK(!file.name.isEmpty() && !file.name.contains('\t'));
        FUZZ_CHECK(all.sliced(at).startsWith(file.name));
        at += file.name.size();
        FUZZ_CHECK(at < all.size() && all[at] == '\t');
        tab = all.indexOf('\t', at + 1);
        FUZZ_CHECK(tab >= 0 &&
                   fieldReadsAs(all.sliced(at + 1, tab - at - 1), file.contents.size(), canonical));
        FUZZ_CHECK(all.sliced(tab + 1).startsWith(file.contents));
        at = tab + 1 + file.contents.size();
    }
    FUZZ_CHECK(split.rest == all.sliced(at));
    if (code == 0 && files < kNumSlots)
        FUZZ_CHECK(split.rest.startsWith('\t'));

    // Build from what was read, then split again.
    const QByteArray rebuilt = BuildPackage(*split.text, split.files);
    const SplitPackage again = SplitDecryptedPackage(rebuilt);
    SplitPackage complete = split;
    complete.errorCode = 0;
    FUZZ_CHECK(sameSplit(again, complete));
    FUZZ_CHECK(again.rest == "\t");
    if (canonical)
        FUZZ_CHECK(rebuilt == package.first(at) + '\t');
    return 0;
}
