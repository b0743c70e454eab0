// MergeCookies on request and response lists of n cookies each, half of the names shared and
// one response cookie deleted. The merge compares every item with every other: O(n^2).

#include <benchmark/benchmark.h>

#include <string>

#include "web/Cookies.h"

namespace qelvo {
namespace {

Text CookieList(int first, int count, const char* value) {
    std::string s;
    for (int i = first; i < first + count; ++i) {
        if (!s.empty())
            s += "; ";
        s += "cookie" + std::to_string(i) + "=" + value;
    }
    return Text(std::move(s));
}

void BM_MergeCookies(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Text request = CookieList(0, n, "v\xD6\xD0_123456");
    const Text response = CookieList(n / 2, n, "w\xCE\xC4_654321") + "; gone=deleted";
    for (auto _ : state) {
        Text cookies = request;
        benchmark::DoNotOptimize(MergeCookies(cookies, response));
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_MergeCookies)->Arg(10)->Arg(100)->Arg(1000)->Complexity(benchmark::oNSquared);

}  // namespace
}  // namespace qelvo
