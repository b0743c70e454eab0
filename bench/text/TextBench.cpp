#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "text/ConvertCharset.h"
#include "text/UrlEncode.h"

namespace qelvo {
namespace {

// `unit` repeated and cut to exactly `size` bytes.
std::string Repeated(std::string_view unit, std::size_t size) {
    std::string out;
    out.reserve(size + unit.size());
    while (out.size() < size)
        out += unit;
    out.resize(size);
    return out;
}

// About half Chinese, half ASCII by bytes.
constexpr std::u8string_view kMixed = u8"检测 ok, 中文 text 42;";

void BM_UrlEncode(benchmark::State& state) {
    const Text input(Repeated(GbkText(kMixed).view(), static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(UrlEncode(input));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(input.size()));
}

void BM_ConvertCharsetUtf8ToGbk(benchmark::State& state) {
    const std::string_view utf8(reinterpret_cast<const char*>(kMixed.data()), kMixed.size());
    const Bytes input(Repeated(utf8, static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvertCharset(input));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(input.size()));
}

BENCHMARK(BM_UrlEncode)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);
BENCHMARK(BM_ConvertCharsetUtf8ToGbk)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

}  // namespace
}  // namespace qelvo
