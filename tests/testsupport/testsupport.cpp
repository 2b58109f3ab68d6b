// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/testsupport.h"

#include "backends/programtext/programtext_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace TestSupport {

void loadProgramTexts() {
    const int r = TextTable::lt(QStringLiteral(TESSAMAIL_TEXT_FILE), 0);
    if (r <= 0)
        qFatal("cannot load %s: %d", TESSAMAIL_TEXT_FILE, r);
}

QString testDataPath(const QString& relative) {
    return QStringLiteral(TESSAMAIL_TESTDATA_DIR "/") + relative;
}

QString sourcePath(const QString& relative) {
    return QStringLiteral(TESSAMAIL_SOURCE_DIR "/") + relative;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QString writtenFile(const QString& path, const QByteArray& bytes) {
    if (!writeFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

#ifdef Q_OS_UNIX
FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved);
    previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
}
#endif

} // namespace TestSupport
