// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The last try at a received mail: every armour character between the markers, whatever
// else stands there. Quote marks of any style, spaces, line breaks joined or split,
// invisible characters inside lines and a quoted-printable copy of the mail's source all
// leave the armour characters in order; only the checksum then decides.
#include <QByteArray>
#include <QString>

namespace MailCleaning {

// 1. Drops every invisible format character (Unicode Cf: zero-width characters, soft
//    hyphens, byte-order marks, direction marks); line and paragraph separators (U+2028,
//    U+2029) count as line breaks.
// 2. Finds the first "TessamailMessageBegin". A quote prefix that holds letters ("JD> ") is
//    taken from the text in front of it on its line and removed from the lines below that
//    start with it.
// 3. When "=3D" stands between the markers, the text is read as quoted-printable (decoded by
//    the MIME library, after the quote prefix and the spaces at line ends are dropped) as
//    well as it stands.
// 4. Takes the armour characters up to the first "TessamailMessageEnd" after the Begin
//    marker. The first reading whose characters have the shape of a block (base64 with its
//    padding, then "=" and the 8 characters of the checksum) is returned in the layout the
//    armour is written in: the Begin line, base64 lines of 64, the checksum line and the
//    End line, joined by CR LF. Otherwise the result is empty.
//
// Linear in the length of received. No marker is ever made up: without a Begin marker and
// an End marker after it (once the format characters are gone) the result is empty.
QByteArray ArmourBetweenMarkers(const QString& received);

} // namespace MailCleaning
