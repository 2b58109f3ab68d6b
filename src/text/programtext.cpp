#include "text/programtext.h"

#include "backends/programtext/programtext_backend.h"
#include "support/seams.h"

#include <QCoreApplication>
#include <QDir>

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
}
void setStartupCompleted(bool completed) {
    g_startupCompleted = completed;
}

QString loadFailurePrompt(int r, const QString& fullPath) {
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
    // The code is negative here, so num() would add no separating space.
    if (r >= -500)
        return QStringLiteral("Error ") + QString::number(r);
    if (r >= -1000)
        return QStringLiteral("Missing string at line") + num(-500 - r) + QLatin1Char('.');
    if (r >= -1500)
        return QStringLiteral("String too long at line") + num(-1000 - r) + QLatin1Char('.');
    return QStringLiteral("Duplicate in program text at line") + num(-1500 - r) + QLatin1Char('.');
}

bool LoadProgramTextFrom(const QString& fullPath) {
    const int r = TextTable::lt(fullPath, 0);
    if (r > 0)
        return true;
    Seams::MsgBox(loadFailurePrompt(r, QDir::toNativeSeparators(fullPath)), Seams::Buttons::OK,
                  Seams::Icon::Critical, QString());
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
