// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text the program puts on the clipboard. Decrypted text is marked as secret, so that
// clipboard managers neither show it in their history nor keep it after the program ends,
// and the program clears it at Quit if it is still there.
#include <QPlainTextEdit>
#include <QString>

class QMimeData;

namespace SecretClipboard {

// The mark clipboard managers look for, with the value "secret".
inline constexpr char kHintFormat[] = "x-kde-passwordManagerHint";

// Replaces the clipboard's contents with text; secret text carries the mark.
void setText(const QString& text, bool secret);

// Marks data, whose text is secret, the way setText does.
void markSecret(QMimeData& data);

// Clears the clipboard when it still holds the secret text this program put there last.
// Anything the user copied since, from here or elsewhere, stays.
void clearIfOurs();

// A text box whose own copy (Ctrl+C, its context menu, a drag) marks the text as secret
// while the box is read-only, that is while it shows decrypted text.
class SecretTextEdit : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    QMimeData* createMimeDataFromSelection() const override;
};

} // namespace SecretClipboard
