#pragma once
// Fixtures shared by the tests.
#include <QString>

namespace TestSupport {

// Loads the program's own text table from the source tree; fails the test run if it
// cannot.
void loadProgramTexts();

// A file of the shared test data (../shared/testdata/...).
QString testDataPath(const QString& relative);

} // namespace TestSupport
