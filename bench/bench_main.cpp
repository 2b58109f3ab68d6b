// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every benchmark of the program in one process, on one set of sample files, with the
// age and gpg commands measured on the same bytes in the same run.
#include "context.h"
#include "process.h"
#include "sample.h"

#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/scripted.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include <sys/stat.h>

namespace Bench {

namespace {

Context g_context;

bool setUp() {
    char pattern[] = "/tmp/tessamail-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return false;
    Context& c = g_context;
    c.dir = pattern;
    c.gnupgHome = c.path("gnupg");
    c.dataHome = c.path("data");
    mkdir(c.gnupgHome.c_str(), 0700);
    mkdir(c.dataHome.c_str(), 0700);
    c.age = findProgram("age");
    c.gpg = findProgram("gpg");
    c.keyEntry = keyEntry();
    c.key = cipherKey();
    c.package = largestPackage();
    if (!Cipher::alb())
        return false;
    c.armoured = encryptPackage(c.package, Cipher::kWriteWorkFactor);
    c.mail = inMail(c.armoured);
    c.mailLowWorkFactor = inMail(encryptPackage(c.package, 1));
    c.smallArmoured = encryptPackage(EncDecMsg::BuildPackage(letterText(600, 5), {}), 1);
    if (c.armoured.isEmpty() || c.smallArmoured.isEmpty())
        return false;
    return writeFile(c.path("package.bin"), c.package);
}

void tearDown() {
    const Context& c = g_context;
    if (!c.gpg.empty()) {
        ProcessOptions options;
        options.environment = c.gpgEnvironment();
        runProcess({findProgram("gpgconf"), "--kill", "gpg-agent"}, options);
    }
    std::error_code ignored;
    std::filesystem::remove_all(c.dir, ignored);
    Cipher::dalb();
}

} // namespace

const Context& context() {
    return g_context;
}

bool writeFile(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray encryptPackage(const QByteArray& package, int log2N) {
    const int saved = Cipher::workFactor();
    Cipher::setWorkFactor(log2N);
    EncDecMsg::State state;
    state.blnTest = true; // no success message
    state.strPlainPackage = package;
    const qint32 r = EncDecMsg::EncryptPackage(state, KeyRules::ExtendedReducedKey(typedKey()));
    Cipher::setWorkFactor(saved);
    return r > 0 ? state.strCipherText : QByteArray();
}

} // namespace Bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The program runs its message path inside a QApplication (the busy cursor, the windows
    // of the key list rows); so do the benchmarks, on a platform that needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Message boxes are recorded, never shown: a failure ends its benchmark with its text.
    Seams::ScriptedMessageBoxes boxes;
    if (!Bench::setUp()) {
        std::cerr << "benchmark set-up failed: " << boxes.lastPrompt().toStdString() << '\n';
        return 1;
    }
    benchmark::AddCustomContext("age",
                                Bench::context().age.empty() ? "missing" : Bench::context().age);
    benchmark::AddCustomContext("gpg",
                                Bench::context().gpg.empty() ? "missing" : Bench::context().gpg);
    benchmark::AddCustomContext("package_bytes", std::to_string(Bench::context().package.size()));
    benchmark::AddCustomContext("armoured_chars", std::to_string(Bench::context().armoured.size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Bench::tearDown();
    return 0;
}
