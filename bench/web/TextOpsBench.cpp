// Growth of the text operations with input size: 1 KiB, 64 KiB and 1 MiB of header-like text
// mixing ASCII and GBK double-byte characters. Time per byte should stay flat.

#include <benchmark/benchmark.h>

#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "web/TextOps.h"

namespace qelvo {
namespace {

#if defined(__GLIBC__)
// The 1 MiB split frees ~30 000 pieces per iteration; by default glibc then hands the heap top
// back to the system and the next iteration page-faults it in again, so the figure measured
// the kernel rather than the split. Fixed thresholds keep the heap (and the figures) stable.
const bool kStableHeap = [] {
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    return true;
}();
#endif

// CR LF lines of ASCII and GBK (some second bytes look like ASCII: 81 41, 81 7C, 81 3B).
Text MixedText(std::size_t size) {
    static const std::string line =
        "Set-Cookie: k=v\xD6\xD0\xCE\xC4; path=/\x81"
        "A\x81|\x81;x\r\n";
    std::string s;
    s.reserve(size + line.size());
    while (s.size() + line.size() <= size)
        s += line;
    s.append(size - s.size(), 'z');
    return Text(std::move(s));
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1 << 10)->Arg(1 << 16)->Arg(1 << 20)->Complexity(benchmark::oN);
}

void BM_FindTextNearEnd(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::string s = MixedText(size).str();
    const std::string sought =
        "\xB6\xCB"
        "END";
    s.replace(s.size() - 16, sought.size(), sought);
    const Text text(s);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindText(text, sought, 1, true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindTextNearEnd)->Apply(Sizes);

void BM_SplitText(benchmark::State& state) {
    const Text text = MixedText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitText(text, "\r\n"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SplitText)->Apply(Sizes);

void BM_ReplaceText(benchmark::State& state) {
    const Text text = MixedText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceText(text, "set-cookie:", "Cookie:", true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReplaceText)->Apply(Sizes);

}  // namespace
}  // namespace qelvo
