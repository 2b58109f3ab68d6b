// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fixtures shared by the tests: the tree's files, files in temporary folders, random bytes
// and a cap on the size of written files. The main window fixture is in mainfixture.h, the
// table of mangled mails in mangledmail.h.
#include "testsupport/randombytes.h"

#include <QByteArray>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace TestSupport {

// Loads the program's own text table from the source tree; fails the test run if it
// cannot.
void loadProgramTexts();

// A file of the test data inside the project (tests/data/...).
QString testDataPath(const QString& relative);

// A file of the source tree (README.md, data/tsm/..., src/...).
QString sourcePath(const QString& relative);

// The whole file, or empty when it cannot be read.
QByteArray readAll(const QString& path);

// Writes bytes as the whole file, making its folder first; false when any of it fails.
bool writeFile(const QString& path, const QByteArray& bytes);

// Writes bytes as the file path and returns path; a failure ends the test program.
QString writtenFile(const QString& path, const QByteArray& bytes);

#ifdef Q_OS_UNIX
// Caps the size of any file this process writes while it lives, so that a write fails
// half-way through as it does on a full disk; permissions cannot do that for root.
class FileSizeLimit {
public:
    // What becomes of SIGXFSZ meanwhile: ignored, or left as the program set it (a test of
    // the program's own guard against the signal).
    enum class Signal { Ignored, Kept };
    explicit FileSizeLimit(rlim_t bytes, Signal signal = Signal::Ignored);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    bool signalSet = false;
    void (*previousHandler)(int) = nullptr;
};
#endif

} // namespace TestSupport
