// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/programtext.h"

#include "backends/programtext/programtext_backend.h"
#include "support/seams.h"
#include "text/textnumbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>

namespace ProgramText {
namespace {
int g_language = English;
bool g_startupCompleted = false;

// Non-negative numbers get a leading space, as the platform's number-to-text does.
QString num(int n) {
    return n >= 0 ? QLatin1Char(' ') + QString::number(n) : QString::number(n);
}
} // namespace

int language() {
    return g_language;
}
void setLanguage(int index) {
    g_language = index;
    // Numbers are grouped as the program's language writes them ("102.400 Bytes" in German),
    // whatever the system's own locale is.
    if (index == German)
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    else if (index == English)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}
void setStartupCompleted(bool completed) {
    g_startupCompleted = completed;
}

// The prompt for a fault at a line.
static QString linePrompt(int kind, int line) {
    switch (kind) {
    case TextTable::LineFailure::MissingString:
        return QStringLiteral("Missing string at line") + num(line) + QLatin1Char('.');
    case TextTable::LineFailure::StringTooLong:
        return QStringLiteral("String too long at line") + num(line) + QLatin1Char('.');
    default:
        return QStringLiteral("Duplicate in program text at line") + num(line) + QLatin1Char('.');
    }
}

QString loadFailurePrompt(int r, const QString& fullPath, int failedKind, int failedLine) {
    // The table has more than 500 lines: a code cannot carry every line number.
    if (r == -5 && failedKind != TextTable::LineFailure::None && failedLine > 0)
        return linePrompt(failedKind, failedLine);
    switch (r) {
    case 0:
        return QStringLiteral("No program text was read.");
    case -1:
        return QStringLiteral("Cannot open file containing program text.\r\n") + fullPath;
    case -2:
        return QStringLiteral("Particular memory allocation error.");
    case -3:
        return QStringLiteral("Too much program text.");
    case -4:
        return QStringLiteral("Text not recovered.");
    case -6:
        return QStringLiteral("File is empty.");
    case -7:
        return QStringLiteral("Error reading file.");
    case -8:
        return QStringLiteral("General memory allocation error.");
    default:
        break;
    }
    if (r <= kMissingText && r > kMissingText - 65536)
        return QStringLiteral("Missing program text number") + num(kMissingText - r) +
               QLatin1Char('.');
    // The code is negative here, so num() would add no separating space.
    if (r >= -500)
        return QStringLiteral("Error ") + QString::number(r);
    if (r >= -1000)
        return linePrompt(TextTable::LineFailure::MissingString, -500 - r);
    if (r >= -1500)
        return linePrompt(TextTable::LineFailure::StringTooLong, -1000 - r);
    return linePrompt(TextTable::LineFailure::Duplicate, -1500 - r);
}

int firstMissingText() {
    QString buffer;
    for (int number : kNumbersInUse)
        for (int language : {English, German})
            if (TextTable::gt(number, language, buffer, kBufferSize, 0) <= 0)
                return number;
    return 0;
}

bool LoadProgramTextFrom(const QString& fullPath) {
    int r = TextTable::lt(fullPath, 0);
    if (r > 0) {
        const int missing = firstMissingText();
        if (missing == 0)
            return true;
        r = kMissingText - missing;
    }
    const TextTable::LineFailure at = TextTable::lastLineFailure();
    Seams::MsgBox(loadFailurePrompt(r, QDir::toNativeSeparators(fullPath), at.kind, at.line),
                  Seams::Buttons::OK, Seams::Icon::Critical, QString());
    return false;
}

bool LoadProgramText(const QString& fileName) {
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return LoadProgramTextFrom(folder + fileName);
}

} // namespace ProgramText

QString GetText(int number) {
    QString buffer;
    const int r = TextTable::gt(number, ProgramText::language(), buffer, ProgramText::kBufferSize,
                                ProgramText::g_startupCompleted ? 1 : 0);
    return r > 0 ? buffer.left(r) : QString();
}

QString GetTextOr(int number, const QString& fallback) {
    const QString text = GetText(number);
    return text.isEmpty() ? fallback : text;
}
