#include "mainwindow/textandfiles.h"

#include "message/encdecmsg.h"
#include "support/fileproc.h"

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
    if (size <= std::numeric_limits<qint32>::max())
        return FileProc::KBText(qint32(size));
    return QLocale().toString((size - 1) / 1024 + 1) + QStringLiteral(" KB");
}

QString SuggestedSaveName(const QString& receivedName) {
    static const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
    QString name;
    for (QChar c : EncDecMsg::FileNameOfPath(receivedName))
        if (c.unicode() >= 32 && c.unicode() != 127 && !kForbidden.contains(c))
            name += c;

    // Windows drops trailing dots and spaces, and a name of dots alone is a folder.
    name = name.trimmed();
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    if (name.isEmpty())
        return QString();

    // Writing to "NUL.txt" on Windows would write nowhere.
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        name.prepend(QLatin1Char('_'));

    // File systems take 255 characters; keep a short extension when cutting.
    constexpr qsizetype kMaxName = 255;
    if (name.size() > kMaxName) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString suffix = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
        name = name.left(kMaxName - suffix.size()) + suffix;
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
