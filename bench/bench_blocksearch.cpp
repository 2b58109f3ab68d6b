// The block search over clipboard text built to make it work hard, at 150 KB and at twice
// that, to show that the time grows with the length and no faster.
#include "context.h"
#include "sample.h"

#include "message/encdecmsg.h"

#include <benchmark/benchmark.h>

namespace Bench {

namespace {

void findBlock(benchmark::State& state, int size) {
    const Context& c = context();
    const QByteArray clipboard = adversarialClipboard(size, c.smallArmoured);
    for (auto _ : state) {
        QByteArray text = clipboard; // the search trims its argument in place
        const QByteArray block = EncDecMsg::FindArmouredBlock(text);
        if (block != c.smallArmoured) {
            state.SkipWithError("the search did not return the block at the end");
            break;
        }
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(state.iterations() * clipboard.size());
}

} // namespace

BENCHMARK_CAPTURE(findBlock, 150KB, 150 * 1024)
    ->Name("message/find_block/150KB/ours")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(findBlock, 300KB, 300 * 1024)
    ->Name("message/find_block/300KB/ours")
    ->Unit(benchmark::kMicrosecond);

} // namespace Bench
