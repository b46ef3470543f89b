// Sin, Cos and Atan2 over 10 million arguments against the C library and a long double
// evaluation: the counters give the worst errors and how often the last bit differs. A
// distance of more than 1 ulp from the C library, or 1 ulp or more from long double,
// marks the run as failed.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "tests/core/trig_sweep.h"

namespace {

constexpr int kArguments = 10000000;

void TrigSweepOfTenMillionArguments(benchmark::State& state) {
  TrigSweep sweep;
  for (auto _ : state) sweep = SweepTrig(kArguments);
  state.counters["sin_worst_ulp"] = sweep.worstSin;
  state.counters["cos_worst_ulp"] = sweep.worstCos;
  state.counters["atan2_worst_ulp"] = sweep.worstAtan2;
  state.counters["sin_last_bit_differs_pct"] = 100.0 * static_cast<double>(sweep.differ[0]) / kArguments;
  state.counters["cos_last_bit_differs_pct"] = 100.0 * static_cast<double>(sweep.differ[1]) / kArguments;
  state.counters["atan2_last_bit_differs_pct"] = 100.0 * static_cast<double>(sweep.differ[2]) / kArguments;
  if (sweep.mostUlpsFromTheCLibrary > 1 || std::max({sweep.worstSin, sweep.worstCos, sweep.worstAtan2}) >= 1.0)
    state.SkipWithError("more than 1 ulp from the C library or from long double");
}
BENCHMARK(TrigSweepOfTenMillionArguments)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
