// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fileproc.h"

#include "support/ansi.h"
#include "support/diskproc.h"
#include "support/fullwrite.h"
#include "support/seams.h"
#include "text/programtext.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

namespace FileProc {
namespace {

QString replaceFile(const QString& path, const QByteArray& bytes) {
    return FullWrite::replaceFile(path, bytes, FullWrite::Access::Keep);
}

} // namespace

QString BytesText(qint64 n, bool capitalised) {
    // German writes the noun with a capital either way.
    QString word = GetTextOr(541, QStringLiteral("bytes"));
    if (capitalised && !word.isEmpty())
        word[0] = word[0].toUpper();
    return QLocale().toString(n) + QLatin1Char(' ') + word;
}

QString KBText(qint64 n) {
    const qint64 k = n % 1024 == 0 ? n / 1024 : (n - 1) / 1024 + 1;
    return QLocale().toString(k) + QStringLiteral(" KB");
}

QString SizeText(qint64 n, bool capitalised) {
    return BytesText(n, capitalised) + QStringLiteral(" (") + KBText(n) + QLatin1Char(')');
}

QString ReadTextFile(const QString& path, bool* ok, QString* errorText) {
    if (ok)
        *ok = false;
    if (errorText)
        errorText->clear();
    if (!DiskProc::FileExists(path)) {
        Seams::MsgBox(GetTextOr(548, QStringLiteral("File Not Found")), Seams::Buttons::OK,
                      Seams::Icon::Critical, QCoreApplication::applicationName());
        return QString();
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorText)
            *errorText = file.errorString();
        return QString();
    }
    if (ok)
        *ok = true;
    return Ansi::fromAnsi(bytes);
}

QString WriteTextFile(const QString& text, const QString& path, bool printForm, bool append) {
    const QString line = printForm ? text : QLatin1Char('"') + text + QLatin1Char('"');
    const QByteArray bytes = Ansi::toAnsi(line) + QByteArrayLiteral("\r\n");
    if (!append)
        return replaceFile(path, bytes);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    if (!FullWrite::writeAll(file, bytes.constData(), bytes.size()) || !FullWrite::flushAll(file))
        return file.errorString();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return QString();
}

QString WriteBinaryFile(const QByteArray& contents, const QString& path) {
    return replaceFile(path, contents);
}

QString WritePrivateFile(const QByteArray& contents, const QString& path) {
    return FullWrite::replaceFile(path, contents, FullWrite::Access::Private);
}

bool HoldsPrivately(const QString& path, const QByteArray& contents) {
    QFile file(path);
    if (file.size() != contents.size())
        return false;
#ifndef Q_OS_WIN
    constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (file.permissions() & kOthers)
        return false;
#endif
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll() == contents && file.error() == QFileDevice::NoError;
}

QString ReadBinaryFile(const QString& path, QByteArray& contents) {
    if (!DiskProc::FileExists(path))
        return GetTextOr(549, QStringLiteral("File not found"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    contents = std::move(bytes);
    return QString();
}

} // namespace FileProc
