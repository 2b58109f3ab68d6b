#include "testsupport/testsupport.h"

#include "backends/programtext/programtext_backend.h"

#include <QtTest>

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

} // namespace TestSupport
