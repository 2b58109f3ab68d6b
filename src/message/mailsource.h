// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message's source pasted whole or in part: header lines, then MIME parts in their transfer
// encodings (quoted-printable, base64, 8bit) and charsets. GMime reads it; the block is then
// sought in the text of each part as a mail program would show it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace MailSource {

// Where the message source in text starts: the first line of the first run of header lines
// ("Name: value", continued by lines that start with a space or a TAB) that names a MIME
// field (MIME-Version, Content-Type or Content-Transfer-Encoding, in any case). -1 when
// there is none. Linear in the length of text.
qsizetype MessageStart(QStringView text);

// The text parts (text/*) of the message whose source starts at MessageStart(text), in the
// order the source holds them, parts of attached messages included; each decoded from its
// transfer encoding and, where its charset is known, from that charset (otherwise read as
// UTF-8 when it is valid UTF-8, else as Windows-1252). Empty when text holds no message
// source. Linear in the length of text.
QList<QString> TextParts(const QString& text);

// Quoted-printable decoded: "=XX" is the byte XX, "=" at the end of a line a soft line break
// (dropped with the line break), anything else as it stands.
QByteArray DecodeQuotedPrintable(QByteArrayView encoded);

} // namespace MailSource
