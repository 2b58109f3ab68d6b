// SPDX-License-Identifier: GPL-3.0-or-later
// The parameters file tsm.usr as the program reads it at start-up, and the file it writes.
//
// Invariants:
// - whatever parse accepts has a path and a language of 0 or 1, and writing that and
//   reading it back gives the same;
// - any path (the input as UTF-8) with either language comes back from the file written
//   for it unchanged, so the program always finds the keyfile it was told about; except a
//   path that holds a quote, a line break and a quote: its file is three quoted lines, and
//   those are read as fields.
#include "check.h"

#include "mainwindow/parametersfile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

using ParametersFile::Parameters;

namespace {

// Writing then reading gives the parameters back. A file beyond the size limit is refused on
// reading; no real path comes near it.
bool readsBack(const Parameters& parameters) {
    const QByteArray file = ParametersFile::format(parameters);
    return file.size() > ParametersFile::kMaxFileSize || ParametersFile::parse(file) == parameters;
}

// A path whose file would hold three or more quoted lines.
bool looksLikeMoreLines(const QString& path) {
    for (const char* lineBreak : {"\"\r\n\"", "\"\n\"", "\"\r\""})
        if (path.contains(QLatin1String(lineBreak)))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray contents =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    const std::optional<Parameters> read = ParametersFile::parse(contents);
    if (read) {
        FUZZ_CHECK(!read->keyfilePath.isEmpty());
        FUZZ_CHECK(read->language == 0 || read->language == 1);
        FUZZ_CHECK(readsBack(*read));
    }

    const QString path = QString::fromUtf8(contents);
    if (!path.isEmpty() && !looksLikeMoreLines(path)) {
        const Parameters written{path, int(size % 2)};
        FUZZ_CHECK(readsBack(written));
    }
    return 0;
}
