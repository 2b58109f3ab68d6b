#pragma once
// Fixtures shared by the tests.
#include <QString>

namespace TestSupport {

// Loads the program's own text table from the source tree; fails the test run if it
// cannot.
void loadProgramTexts();

// A file of the test data inside the project (tests/data/...).
QString testDataPath(const QString& relative);

// A file of the source tree (README.md, data/tsm/..., src/...).
QString sourcePath(const QString& relative);

} // namespace TestSupport
