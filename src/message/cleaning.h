// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Undoes what mail programs do to the lines of a received mail, so that an armoured block
// they quoted, indented or spaced out can still be found and de-armoured. Only a copy made
// for a second search goes through here; the first search sees the text as received.
#include <QString>

namespace MailCleaning {

// Line by line: drops the quote prefix of any depth (">" with optional spaces between and
// after) together with leading and trailing white space (spaces, TABs, no-break spaces and
// other Unicode spaces) and zero-width characters (U+200B, U+200C, U+200D, U+2060 and the
// byte-order mark U+FEFF). CR LF, LF, CR and CR CR LF each end one line. Empty lines between
// a line holding "TessamailMessageBegin" and the next line holding "TessamailMessageEnd"
// are dropped; all other empty lines stay. Lines are joined by CR LF.
//
// Total and linear in the length of received. Characters are only ever removed, never
// added or joined across lines, so no marker appears that was not there.
QString CleanReceivedText(const QString& received);

} // namespace MailCleaning
