// SPDX-License-Identifier: GPL-3.0-or-later
// The name offered when a received file is saved. It comes from the sender's package
// (Windows-1252 bytes), so it must never choose a folder or make a name the file system
// cannot take.
//
// Invariants: the name holds no folder separator, control character or character Windows
// forbids; it does not start with a space nor end with a space or a dot (Windows would drop
// them, and a name of dots is a folder); it is no device name; and its encoded form fits a
// file system's 255 bytes.
#include "check.h"

#include "mainwindow/textandfiles.h"
#include "support/ansi.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString received = Ansi::fromAnsi(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString name = TextAndFiles::SuggestedSaveName(received);
    if (name.isEmpty())
        return 0;

    for (QChar c : name)
        FUZZ_CHECK(c.unicode() >= 32 && c.unicode() != 127 &&
                   !QStringLiteral("\\/:*?\"<>|").contains(c));
    FUZZ_CHECK(!name.startsWith(u' ') && !name.endsWith(u' ') && !name.endsWith(u'.'));
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    FUZZ_CHECK(!device.match(name).hasMatch());
    FUZZ_CHECK(QFile::encodeName(name).size() <= 255);
    return 0;
}
