// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbered program texts in the current language.
#include <QString>

namespace ProgramText {

constexpr int English = 0;
constexpr int German = 1;
constexpr int kBufferSize = 1024;

// Current language index: 0 English, 1 German; -1 during start-up until one is chosen.
int language();
void setLanguage(int index);

// Passed on to the table lookup; set by the main window once start-up has completed.
void setStartupCompleted(bool completed);

// The loader's code for a table that lacks a text the program uses (text/textnumbers.h), in
// English or German: kMissingText minus the first such number. Far below the codes of the
// table file itself, whose line numbers cannot come near it.
constexpr int kMissingText = -1000000000;
// The first number in use without a text in both languages, or 0.
int firstMissingText();

// The prompt shown when loading the text table failed with code r (r <= 0). When the
// code could not carry the line of the fault (-5 for a line past 500), failedLine and
// failedKind (a TextTable::LineFailure::Kind) name it, as the loader reports them.
QString loadFailurePrompt(int r, const QString& fullPath, int failedKind = 0, int failedLine = 0);

// Loads fileName from the executable's folder. On failure shows the fatal message (critical
// icon, empty title) and returns false: the caller ends the program at once.
bool LoadProgramText(const QString& fileName);

// As LoadProgramText, from a full path (tests and tools).
bool LoadProgramTextFrom(const QString& fullPath);

} // namespace ProgramText

// The text with that number in the current language, or empty. Never shows anything.
QString GetText(int number);

// As GetText, for the few texts that must read even without a text table (helpers that
// tests and tools use on their own): fallback when the table has no such text.
QString GetTextOr(int number, const QString& fallback);
