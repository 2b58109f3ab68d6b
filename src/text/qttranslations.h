// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (the buttons and labels of file dialogs, the context menu of text boxes,
// some file error descriptions) in the program's language rather than in English.
namespace QtTranslations {

// Loads Qt's German translation for German and removes it for English. Without Debian's
// qt6-translations-l10n those texts stay English; nothing else changes. True when Qt's
// texts are now in the language asked for.
bool Apply(int language);

} // namespace QtTranslations
