// Runs every benchmark of the program in one process, on one set of sample files, with the
// age and gpg commands measured on the same bytes in the same run.
#include "context.h"
#include "process.h"
#include "sample.h"

#include "backends/cipher/cipher.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <sys/stat.h>

namespace Bench {

namespace {

Context g_context;

QByteArray armourWithProgramPath(const QByteArray& package, const QByteArray& key) {
    Cipher::oi(key.constData(), 1, int(package.size()));
    QByteArray work(Cipher::kBufferSize, '\0');
    int r = Cipher::eb(package.constData(), int(package.size()), work.data(), int(work.size()));
    if (r <= 0)
        return {};
    const QByteArray cipherBytes = work.left(r);
    work.fill('\0');
    r = Cipher::cob(cipherBytes.constData(), int(cipherBytes.size()), work.data(),
                    int(work.size()));
    return r > 0 ? work.left(r) : QByteArray();
}

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
    c.key = messageKey();
    c.package = largestPackage();
    if (!Cipher::alb())
        return false;
    c.oursArmoured = armourWithProgramPath(c.package, c.key);
    if (c.oursArmoured.isEmpty())
        return false;
    return writeFile(c.path("package.bin"), c.package) &&
           writeFile(c.path("ours.txt"), c.oursArmoured);
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

} // namespace Bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!Bench::setUp()) {
        std::cerr << "benchmark set-up failed\n";
        return 1;
    }
    benchmark::AddCustomContext("age",
                                Bench::context().age.empty() ? "missing" : Bench::context().age);
    benchmark::AddCustomContext("gpg",
                                Bench::context().gpg.empty() ? "missing" : Bench::context().gpg);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Bench::tearDown();
    return 0;
}
