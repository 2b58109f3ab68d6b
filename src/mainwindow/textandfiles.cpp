// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/textandfiles.h"

#include "message/encdecmsg.h"
#include "support/fileproc.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <limits>

namespace TextAndFiles {

QString SharedFileDialog::show(Seams::FileDialogRequest::Kind kind) {
    Seams::FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.filter = filter;
    request.fileName = fileName;
    request.directory = directory;
    request.confirmOverwrite = (flags & kOverwritePrompt) != 0;
    const QString chosen = Seams::ShowFileDialog(request);
    if (!chosen.isEmpty()) {
        fileName = chosen;
        directory = QFileInfo(chosen).absolutePath();
    }
    return chosen;
}

AppendRefusal CheckAppend(const QString& path, qint64 size, qint32 limit,
                          const QStringList& otherSlots) {
    if (size > limit)
        return AppendRefusal::TooLarge;
    if (size == 0)
        return AppendRefusal::Empty;
    if (otherSlots.contains(path, Qt::CaseSensitive))
        return AppendRefusal::AttachedElsewhere;
    return AppendRefusal::None;
}

QString KBTextOfSize(qint64 size) {
    return FileProc::KBText(size);
}

namespace {

// Windows drops trailing dots and spaces, and a name of dots alone is a folder.
void chopDotsAndSpaces(QString& name) {
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
}

// The longest start of name whose encoded form takes at most maxBytes bytes, never ending
// inside a surrogate pair.
QString leftBytes(const QString& name, qsizetype maxBytes) {
    qsizetype n = qMin(name.size(), maxBytes);
    while (n > 0 &&
           (QFile::encodeName(name.left(n)).size() > maxBytes || name[n - 1].isHighSurrogate()))
        --n;
    return name.left(n);
}

} // namespace

QString SuggestedSaveName(const QString& receivedName) {
    static const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
    QString name;
    for (QChar c : EncDecMsg::FileNameOfPath(receivedName))
        if (c.unicode() >= 32 && c.unicode() != 127 && !kForbidden.contains(c))
            name += c;

    name = name.trimmed();
    chopDotsAndSpaces(name);
    if (name.isEmpty())
        return QString();

    // Writing to "NUL.txt" on Windows would write nowhere.
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        name.prepend(QLatin1Char('_'));

    // File systems take 255 bytes of a name (NTFS 255 UTF-16 units, never fewer), and an
    // accented letter takes two or three of them; keep a short extension when cutting.
    constexpr qsizetype kMaxNameBytes = 255;
    if (QFile::encodeName(name).size() > kMaxNameBytes) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString suffix = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
        name = leftBytes(name, kMaxNameBytes - QFile::encodeName(suffix).size()) + suffix;
        chopDotsAndSpaces(name);
    }
    return name;
}

namespace {
QString withLineBreaks(QString raw, const QString& lineBreak) {
    raw.replace(QChar::ParagraphSeparator, lineBreak);
    raw.replace(QChar::LineSeparator, lineBreak);
    return raw;
}
} // namespace

QString MessageText(const QString& rawDocumentText) {
    return withLineBreaks(rawDocumentText, QStringLiteral("\r\n"));
}

QString ClipboardText(const QString& rawDocumentText) {
    return withLineBreaks(rawDocumentText, QStringLiteral("\n"));
}

} // namespace TextAndFiles
