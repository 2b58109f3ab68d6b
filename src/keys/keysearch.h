// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding key entries by a fragment of their recipient: the address or name in front of
// the date. Letter case, accents and umlauts do not matter, and an umlaut may be written
// out ("Mueller" and "Muller" both find "Müller").
#include <QList>
#include <QString>
#include <QStringList>

namespace KeySearch {

// The recipient part of a key entry: the text in front of " «"; empty when the entry has no
// recipient or no "«" (the key itself is never searched).
QString Recipient(const QString& entry);

// text in the form searches compare: case folded, accents dropped, "ß" as "ss". With
// spellOutUmlauts, ä ö ü become ae oe ue instead of a o u.
QString Folded(const QString& text, bool spellOutUmlauts = false);

// Whether fragment (as typed) occurs anywhere in the recipient part of entry. An empty
// fragment matches nothing.
bool Matches(const QString& entry, const QString& fragment);

// Indices of the entries that match, in list order.
QList<int> MatchingEntries(const QStringList& entries, const QString& fragment);

} // namespace KeySearch
