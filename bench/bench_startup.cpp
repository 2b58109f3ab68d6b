// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: from fork to the first window exposed and painted, for the program and for the
// least a Qt Widgets program does, each a fresh process on the offscreen platform.
#include "context.h"
#include "process.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace Bench {

namespace {

ProcessResult launch(const char* program) {
    const Context& c = context();
    ProcessOptions options;
    // A data folder of its own, so no keyfile of the user is found and no dialog follows.
    options.environment = {"QT_QPA_PLATFORM=offscreen", "XDG_DATA_HOME=" + c.dataHome,
                           "XDG_CONFIG_HOME=" + c.dataHome, "HOME=" + c.dataHome};
    options.marker = "TESSAMAIL_WINDOW_SHOWN";
    options.timeoutSeconds = 30;
    return runProcess({program}, options);
}

void startup(benchmark::State& state, const char* program) {
    // The first launch pays for cold caches and writes the parameters file: not timed.
    if (const ProcessResult warm = launch(program); !warm.ok) {
        state.SkipWithError((warm.failure + ": " + warm.output.substr(0, 200)).c_str());
        return;
    }
    long maxRss = 0;
    double cpu = 0;
    for (auto _ : state) {
        const ProcessResult r = launch(program);
        if (!r.ok) {
            state.SkipWithError((r.failure + ": " + r.output.substr(0, 200)).c_str());
            return;
        }
        state.SetIterationTime(r.seconds);
        maxRss = std::max(maxRss, r.maxRssKiB);
        cpu += r.cpuSeconds;
    }
    state.counters["peak_rss_KiB"] = double(maxRss);
    state.counters["process_cpu_ms"] = 1000 * cpu / double(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(startup, tessamail, TESSAMAIL_STARTUP_PROGRAM)
    ->Name("startup/first_window/ours")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(startup, minimal, TESSAMAIL_STARTUP_MINIMAL)
    ->Name("startup/first_window/minimal_qt")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace Bench
