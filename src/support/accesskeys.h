#pragma once
// Access keys for captions that come without them: the program texts carry no "&" markers,
// so each window gives its buttons distinct Alt+letter keys after setting its captions.
#include <QString>

class QWidget;

namespace AccessKeys {

// Gives every button, option and check box of window whose caption has no access key yet
// one that no other control of the window uses: the first free letter that starts a word,
// else any free letter or digit. Existing keys are kept, so calling it again after some
// captions changed leaves the others alone.
void Assign(QWidget* window);

// The caption as it reads: single "&" markers dropped, "&&" as "&".
QString plain(const QString& caption);

// The access key of caption (upper case), or a null character.
QChar keyOf(const QString& caption);

} // namespace AccessKeys
