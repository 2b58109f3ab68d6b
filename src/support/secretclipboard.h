#pragma once
// Text the program puts on the clipboard. Decrypted text is marked as secret, so that
// clipboard managers neither show it in their history nor keep it after the program ends,
// and the program clears it at Quit if it is still there.
#include <QString>

namespace SecretClipboard {

// The mark clipboard managers look for, with the value "secret".
inline constexpr char kHintFormat[] = "x-kde-passwordManagerHint";

// Replaces the clipboard's contents with text; secret text carries the mark.
void setText(const QString& text, bool secret);

// Clears the clipboard when it still holds the secret text this program put there last.
// Anything the user copied since, from here or elsewhere, stays.
void clearIfOurs();

} // namespace SecretClipboard
