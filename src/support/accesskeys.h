// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Access keys for captions that come without them: the program texts carry no "&" markers,
// so each window gives its buttons distinct Alt+letter keys after setting its captions.
#include <QString>

class QWidget;

namespace AccessKeys {

// Gives every button, option and check box of window (not of the dialogs it owns) whose
// caption has no access key yet
// one that no other control of the window uses: the first free letter that starts a word,
// else any free letter or digit. Existing keys are kept, so calling it again after some
// captions changed leaves the others alone.
//
// A button with a shortcut of its own that is not a caption mnemonic (Alt+1 on a slot
// button) keeps it, and its key counts as used. A button marked with SetNone gets none.
void Assign(QWidget* window);

// Marks a button to be left without an access key by Assign.
void SetNone(QWidget* button);

// The access key of a button: its caption's mnemonic, or the key of an Alt+key shortcut of
// its own (upper case); a null character when it has none.
QChar keyOfButton(const QWidget* button);

// The caption as it reads: single "&" markers dropped, "&&" as "&".
QString plain(const QString& caption);

// The access key of caption (upper case), or a null character.
QChar keyOf(const QString& caption);

} // namespace AccessKeys
