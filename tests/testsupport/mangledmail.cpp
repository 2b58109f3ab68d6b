// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/mangledmail.h"

namespace TestSupport::MangledMail {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// What mail programs do, line by line.
QStringList prefixed(const QStringList& lines, const QString& prefix, const QString& onEmpty) {
    QStringList out;
    for (const QString& line : lines)
        out << (line.isEmpty() ? onEmpty : prefix + line);
    return out;
}
QStringList quoted(const QStringList& lines) {
    return prefixed(lines, QStringLiteral("> "), QStringLiteral(">"));
}
QStringList suffixed(const QStringList& lines, const QString& suffix) {
    QStringList out;
    for (const QString& line : lines)
        out << line + suffix;
    return out;
}
QStringList blankAfterEach(const QStringList& lines, const QString& blank = QString()) {
    QStringList out;
    for (const QString& line : lines)
        out << line << blank;
    return out;
}

} // namespace

QList<Case> cases(const Mail& m) {
    const QStringList mail = m.before + m.block + m.after;
    // The byte-order mark stands in front of the whole text; these mails start with the
    // block, so that it sits on the Begin line.
    const QStringList fromBlock = m.block + m.after;
    const QString bom = QStringLiteral("\ufeff");
    // A mail program that indents the whole text puts its TAB in front of the mark.
    const QStringList bomThenBlock = QStringList{bom + fromBlock.first()} + fromBlock.mid(1);
    const QString nbsp = QStringLiteral("\u00a0\u202f\u2007");
    const QString zeroWidth = QStringLiteral("\u200b\u200c\u200d\u2060\ufeff");
    const QString crCrLf = QStringLiteral("\r\r\n");

    return {
        {QStringLiteral("unmangled"), mail.join(kCrLf)},
        {QStringLiteral("quoted once"), quoted(mail).join(kCrLf)},
        {QStringLiteral("quoted twice"), quoted(quoted(mail)).join(kCrLf)},
        {QStringLiteral("quoted without space"),
         prefixed(mail, QStringLiteral(">"), QStringLiteral(">")).join(kCrLf)},
        {QStringLiteral("quoted twice without space"),
         prefixed(mail, QStringLiteral(">>"), QStringLiteral(">>")).join(kCrLf)},
        {QStringLiteral("indented by spaces"),
         prefixed(mail, QStringLiteral("    "), QString()).join(kCrLf)},
        {QStringLiteral("indented by a TAB"),
         prefixed(mail, QStringLiteral("\t"), QString()).join(kCrLf)},
        {QStringLiteral("indented by no-break spaces"),
         prefixed(mail, nbsp, QString()).join(kCrLf)},
        {QStringLiteral("trailing spaces"), suffixed(mail, QStringLiteral("   ")).join(kCrLf)},
        {QStringLiteral("blank line after every line"), blankAfterEach(mail).join(kCrLf)},
        {QStringLiteral("CR CR LF"), mail.join(crCrLf)},
        {QStringLiteral("byte-order mark in front"), bom + fromBlock.join(kCrLf)},
        {QStringLiteral("zero-width characters in front of lines"),
         prefixed(mail, zeroWidth, QString()).join(kCrLf)},
        {QStringLiteral("quoted, LF only"), quoted(mail).join(u'\n')},
        {QStringLiteral("quoted, CR only"), quoted(mail).join(u'\r')},
        {QStringLiteral("quoted twice, CR CR LF"), quoted(quoted(mail)).join(crCrLf)},
        {QStringLiteral("quoted, blank line after every line"),
         quoted(blankAfterEach(mail)).join(kCrLf)},
        {QStringLiteral("no-break spaces around every line"),
         suffixed(prefixed(mail, nbsp, QString()), nbsp + QStringLiteral("\t ")).join(kCrLf)},
        {QStringLiteral("zero-width characters, then quoted"),
         prefixed(quoted(mail), zeroWidth, zeroWidth).join(kCrLf)},
        {QStringLiteral("quoted, then indented by a TAB"),
         prefixed(quoted(mail), QStringLiteral("\t"), QStringLiteral("\t")).join(kCrLf)},
        {QStringLiteral("byte-order mark in front, quoted"), bom + quoted(fromBlock).join(kCrLf)},
        {QStringLiteral("byte-order mark in front, then indented by a TAB"),
         prefixed(bomThenBlock, QStringLiteral("\t"), QString()).join(kCrLf)},
        {QStringLiteral("blank lines of spaces, CR CR LF"),
         blankAfterEach(mail, QStringLiteral("  ")).join(crCrLf)},
        {QStringLiteral("trailing zero-width characters, quoted twice"),
         quoted(quoted(suffixed(mail, zeroWidth))).join(kCrLf)},
    };
}

} // namespace TestSupport::MangledMail
