// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Captions of the main window's three count labels. Each template text carries the digit
// "2" where the count goes.
#include <QString>

namespace StatusTexts {

// Every "2" in templ replaced by n with the locale's digit grouping ("12,232,000").
QString FillCount(const QString& templ, qint64 n);

// "Textbox has 1 character." / "Textbox has 1,234 characters." (also for 0).
QString TextboxLabel(qint64 characters);
// No text / one character / n characters on the clipboard.
QString ClipboardLabel(qint64 characters);
// No key / one key / n keys in the key list.
QString KeyCountLabel(qint64 keys);

} // namespace StatusTexts
