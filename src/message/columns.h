// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block laid out beside other columns: a text browser or a terminal mail reader renders a
// table or a multi-column layout line by line, so a logo, an address or a details column
// stands on the same lines as the block, separated from it by one or more spaces.
#include <QByteArray>
#include <QList>
#include <QString>

namespace MailColumns {

// The readings of the block as the column that holds the markers. The column starts where
// "TessamailMessageBegin" starts on its line; on every line below it, up to the line of the
// first "TessamailMessageEnd" after it, the block's piece is a run of armour characters
// (base64 letters, digits, "+", "/", "=") taken, one reading each:
//   - from that column on, after any spaces there;
//   - the run whose start lies nearest that column (a renderer's margin may move the
//     block's lines a little against the marker's);
// and the same two with TABs expanded to every eighth column, when the lines hold TABs.
// Each reading is laid out as the armour is written (Begin line, the pieces, End line, CR LF
// between); readings that equal an earlier one, or that are empty, are left out. None of
// them is checked here: only the transport checksum can tell which one, if any, is the block.
//
// Empty without a Begin marker and an End marker after it. Linear in the length of text.
QList<QByteArray> ColumnReadings(const QString& text);

} // namespace MailColumns
