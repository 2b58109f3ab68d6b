// SPDX-License-Identifier: GPL-3.0-or-later
// Encryption and decryption of the largest message: the program's path in this process, the
// same path as a process of its own, and the age and gpg commands on the same bytes.
// Processes are timed from fork to exit and report their peak resident set size.
#include "benchwindow.h"
#include "context.h"
#include "process.h"
#include "sample.h"

#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <set>

#include <unistd.h>

namespace Bench {

namespace {

// The cipher entries the way the program calls them: each output goes into a fresh
// zero-filled buffer of the program's size and is cut to the count returned.
QByteArray call(int (*entry)(const char*, int, char*, int), const QByteArray& in) {
    QByteArray work(Cipher::kBufferSize, '\0');
    const int r = entry(in.constData(), int(in.size()), work.data(), int(work.size()));
    return r > 0 ? work.left(r) : QByteArray();
}

class WorkFactor {
public:
    explicit WorkFactor(int log2N) : m_saved(Cipher::workFactor()) { Cipher::setWorkFactor(log2N); }
    ~WorkFactor() { Cipher::setWorkFactor(m_saved); }

private:
    int m_saved;
};

// ---- the program's path, in this process ----------------------------------------------

// EncryptPackage: the package in, the armoured text out. At the lowest work factor scrypt
// runs with N = 2, which leaves the rest of the path.
void encryptInProcess(benchmark::State& state, int log2N) {
    const Context& c = context();
    const WorkFactor factor(log2N);
    const QString key = KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(c.keyEntry));
    for (auto _ : state) {
        EncDecMsg::State message;
        message.blnTest = true; // no success message
        message.strPlainPackage = c.package;
        if (EncDecMsg::EncryptPackage(message, key) <= 0) {
            state.SkipWithError("encryption failed");
            break;
        }
        benchmark::DoNotOptimize(message.strCipherText.data());
    }
    state.SetBytesProcessed(state.iterations() * c.package.size());
}

// DecryptMessage: the whole received mail in, text and files out: the block search,
// de-armouring, decryption and the split. The work factor is the one in the message.
void decryptInProcess(benchmark::State& state, const QByteArray* mail) {
    const Context& c = context();
    for (auto _ : state) {
        EncDecMsg::State message;
        message.strCipherText = *mail;
        BenchWindow window(c.keyEntry);
        if (!EncDecMsg::DecryptMessage(message, window) || window.fileNames.size() != 3) {
            state.SkipWithError("decryption failed");
            break;
        }
        benchmark::DoNotOptimize(message.strFileContents[2].data());
    }
    state.SetBytesProcessed(state.iterations() * c.package.size());
}

// Parts of the path, to show where the time goes.
void armourOnly(benchmark::State& state) {
    const QByteArray cipherBytes = call(Cipher::dcob, context().armoured);
    for (auto _ : state) {
        QByteArray armoured = call(Cipher::cob, cipherBytes);
        benchmark::DoNotOptimize(armoured.data());
    }
}

void dearmourOnly(benchmark::State& state) {
    for (auto _ : state) {
        QByteArray cipherBytes = call(Cipher::dcob, context().armoured);
        if (cipherBytes.isEmpty()) {
            state.SkipWithError("dcob failed");
            break;
        }
        benchmark::DoNotOptimize(cipherBytes.data());
    }
}

void findBlockInMail(benchmark::State& state) {
    for (auto _ : state) {
        QByteArray text = context().mail;
        QByteArray block = EncDecMsg::FindArmouredBlock(text);
        if (block.size() != context().armoured.size()) {
            state.SkipWithError("the block was not found");
            break;
        }
        benchmark::DoNotOptimize(block.data());
    }
}

// One scrypt run at the work factor the program writes: what the rows above leave out.
void keyDerivation(benchmark::State& state) {
    using namespace Cipher::Age;
    const Context& c = context();
    const QByteArray cipherBytes = call(Cipher::dcob, c.armoured);
    Header header;
    ScryptStanza stanza;
    if (parseHeader(reinterpret_cast<const unsigned char*>(cipherBytes.constData()),
                    std::size_t(cipherBytes.size()), header) ||
        checkScryptStanza(header, stanza)) {
        state.SkipWithError("the sample does not parse");
        return;
    }
    for (auto _ : state) {
        FileKey fileKey;
        if (unwrapFileKey(stanza, reinterpret_cast<const unsigned char*>(c.key.constData()),
                          std::size_t(c.key.size()), fileKey)) {
            state.SkipWithError("unwrap failed");
            break;
        }
        benchmark::DoNotOptimize(fileKey.data());
    }
}

// ---- processes ------------------------------------------------------------------------

using Runner = ProcessResult (*)(const std::string& in, const std::string& out);

ProcessResult oursProcess(const char* mode, const std::string& in, const std::string& out) {
    ProcessOptions options;
    options.input = typedKey().toStdString() + '\n';
    return runProcess({TESSAMAIL_CIPHER_TOOL, mode, in, out}, options);
}

// The same with the program's main window started and shown first.
ProcessResult windowProcess(const char* mode, const std::string& in, const std::string& out) {
    const Context& c = context();
    ProcessOptions options;
    options.input = typedKey().toStdString() + '\n';
    options.environment = {"QT_QPA_PLATFORM=offscreen", "XDG_DATA_HOME=" + c.dataHome,
                           "XDG_CONFIG_HOME=" + c.dataHome, "HOME=" + c.dataHome};
    return runProcess({TESSAMAIL_CIPHER_TOOL, "--window", mode, in, out}, options);
}

ProcessResult coreProcess(const char* mode, const std::string& in, const std::string& out) {
    ProcessOptions options;
    options.input = context().key.toStdString() + '\n';
    return runProcess({TESSAMAIL_CIPHER_CORE_TOOL, mode, in, out}, options);
}

ProcessResult ageProcess(std::vector<std::string> args) {
    ProcessOptions options;
    options.useTerminal = true;
    options.terminalPassphrase = context().key.toStdString();
    args.insert(args.begin(), context().age);
    return runProcess(args, options);
}

ProcessResult gpgProcess(const std::vector<std::string>& action, const std::string& in,
                         const std::string& out) {
    const Context& c = context();
    ProcessOptions options;
    options.environment = c.gpgEnvironment();
    options.input = c.key.toStdString() + '\n';
    // No passphrase cache in the agent, so every run does its own key derivation.
    std::vector<std::string> args{c.gpg, "--batch", "--yes", "--quiet", "--no-symkey-cache"};
    args.insert(args.end(), action.begin(), action.end());
    for (const char* a : {"--passphrase-fd", "0", "--pinentry-mode", "loopback", "-o"})
        args.emplace_back(a);
    args.push_back(out);
    args.push_back(in);
    return runProcess(args, options);
}

ProcessResult encryptOurs(const std::string& in, const std::string& out) {
    return oursProcess("encrypt", in, out);
}
ProcessResult decryptOurs(const std::string& in, const std::string& out) {
    return oursProcess("decrypt", in, out);
}
ProcessResult encryptWindow(const std::string& in, const std::string& out) {
    return windowProcess("encrypt", in, out);
}
ProcessResult decryptWindow(const std::string& in, const std::string& out) {
    return windowProcess("decrypt", in, out);
}
ProcessResult encryptCore(const std::string& in, const std::string& out) {
    return coreProcess("encrypt", in, out);
}
ProcessResult decryptCore(const std::string& in, const std::string& out) {
    return coreProcess("decrypt", in, out);
}
ProcessResult encryptAge(const std::string& in, const std::string& out) {
    return ageProcess({"-p", "-a", "-o", out, in});
}
ProcessResult decryptAge(const std::string& in, const std::string& out) {
    return ageProcess({"-d", "-o", out, in});
}
ProcessResult encryptGpg(const std::string& in, const std::string& out) {
    return gpgProcess({"--symmetric", "--armor"}, in, out);
}
ProcessResult decryptGpg(const std::string& in, const std::string& out) {
    return gpgProcess({"--decrypt"}, in, out);
}

bool available(benchmark::State& state, const std::string& program, const char* name) {
    if (program.empty())
        state.SkipWithError((std::string(name) + " is not installed").c_str());
    return !program.empty();
}

// Times run(in, out) per iteration and checks the output. For decryption, makeInput (the
// same tool's encryption) first writes in, once per run. Each tool runs once untimed first,
// so that no row pays for cold caches or for starting gpg's agent.
void timeProcess(benchmark::State& state, Runner run, Runner makeInput, const std::string& in,
                 const std::string& out) {
    const Context& c = context();
    static std::set<std::string> prepared;
    if (!prepared.count(out)) {
        const ProcessResult made = makeInput ? makeInput(c.path("package.bin"), in) : run(in, out);
        if (!made.ok) {
            state.SkipWithError(("the untimed first run failed: " + made.failure).c_str());
            return;
        }
        prepared.insert(out);
    }
    long maxRss = 0;
    double cpu = 0;
    for (auto _ : state) {
        unlink(out.c_str());
        const ProcessResult r = run(in, out);
        if (!r.ok) {
            state.SkipWithError((r.failure + ": " + r.output.substr(0, 200)).c_str());
            return;
        }
        state.SetIterationTime(r.seconds);
        maxRss = std::max(maxRss, r.maxRssKiB);
        cpu += r.cpuSeconds;
    }
    if (makeInput && readFile(out) != c.package) {
        state.SkipWithError("the decrypted output differs from the package");
        return;
    }
    state.counters["peak_rss_KiB"] = double(maxRss);
    state.counters["process_cpu_ms"] = 1000 * cpu / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * c.package.size());
}

void encryptProcessOurs(benchmark::State& state) {
    timeProcess(state, encryptOurs, nullptr, context().path("package.bin"),
                context().path("ours-out.txt"));
}
void decryptProcessOurs(benchmark::State& state) {
    timeProcess(state, decryptOurs, encryptOurs, context().path("ours-in.txt"),
                context().path("ours-out.bin"));
}
void encryptProcessWindow(benchmark::State& state) {
    timeProcess(state, encryptWindow, nullptr, context().path("package.bin"),
                context().path("window-out.txt"));
}
void decryptProcessWindow(benchmark::State& state) {
    timeProcess(state, decryptWindow, encryptWindow, context().path("window-in.txt"),
                context().path("window-out.bin"));
}
void encryptProcessCore(benchmark::State& state) {
    timeProcess(state, encryptCore, nullptr, context().path("package.bin"),
                context().path("core-out.txt"));
}
void decryptProcessCore(benchmark::State& state) {
    timeProcess(state, decryptCore, encryptCore, context().path("core-in.txt"),
                context().path("core-out.bin"));
}
void encryptProcessAge(benchmark::State& state) {
    if (available(state, context().age, "age"))
        timeProcess(state, encryptAge, nullptr, context().path("package.bin"),
                    context().path("age-out.txt"));
}
void decryptProcessAge(benchmark::State& state) {
    if (available(state, context().age, "age"))
        timeProcess(state, decryptAge, encryptAge, context().path("age-in.txt"),
                    context().path("age-out.bin"));
}
void encryptProcessGpg(benchmark::State& state) {
    if (available(state, context().gpg, "gpg"))
        timeProcess(state, encryptGpg, nullptr, context().path("package.bin"),
                    context().path("gpg-out.asc"));
}
void decryptProcessGpg(benchmark::State& state) {
    if (available(state, context().gpg, "gpg"))
        timeProcess(state, decryptGpg, encryptGpg, context().path("gpg-in.asc"),
                    context().path("gpg-out.bin"));
}

} // namespace

// A work factor 18 run takes most of a second: one iteration per repetition is enough.
BENCHMARK_CAPTURE(encryptInProcess, wf18, Cipher::kWriteWorkFactor)
    ->Name("message/encrypt/ours")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encryptProcessOurs)
    ->Name("message/encrypt/ours_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encryptProcessWindow)
    ->Name("message/encrypt/ours_window_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encryptProcessCore)
    ->Name("message/encrypt/ours_cipher_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encryptProcessAge)
    ->Name("message/encrypt/age_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encryptProcessGpg)
    ->Name("message/encrypt/gpg_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decryptInProcess, wf18, &context().mail)
    ->Name("message/decrypt/ours")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptProcessOurs)
    ->Name("message/decrypt/ours_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptProcessWindow)
    ->Name("message/decrypt/ours_window_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptProcessCore)
    ->Name("message/decrypt/ours_cipher_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptProcessAge)
    ->Name("message/decrypt/age_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(decryptProcessGpg)
    ->Name("message/decrypt/gpg_process")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encryptInProcess, wf1, 1)
    ->Name("message/encrypt_without_kdf/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decryptInProcess, wf1, &context().mailLowWorkFactor)
    ->Name("message/decrypt_without_kdf/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(armourOnly)->Name("message/armour_only/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(dearmourOnly)->Name("message/dearmour_only/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(findBlockInMail)->Name("message/find_block_in_mail/ours")->Unit(benchmark::kMicrosecond);
BENCHMARK(keyDerivation)
    ->Name("message/scrypt_wf18/ours")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace Bench
