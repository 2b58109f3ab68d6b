// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/testsupport.h"

#include "backends/programtext/programtext_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

#ifdef Q_OS_UNIX
FileSizeLimit::FileSizeLimit(rlim_t bytes, Signal signal) {
    getrlimit(RLIMIT_FSIZE, &saved);
    if (signal == Signal::Ignored) {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        signalSet = true;
    }
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved);
    if (signalSet)
        std::signal(SIGXFSZ, previousHandler);
}
#endif

} // namespace TestSupport
