// Whole exchanges and a whole receipt against a device that answers at once, with the pauses
// counted but not slept: the CPU a run spends besides waiting. The "pause_ms" counter is what
// the same work costs in protocol pauses when every reply arrives in one piece.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_device.h"
#include "devices/daisy.h"
#include "model/date_time.h"
#include "protocol/tremol.h"
#include "support/logger.h"
#include "support/runtime.h"
#include "support/settings.h"

namespace {

// The services a driver reads while it works: empty settings, a log nobody writes to, the clock.
struct TBenchServices {
  support::TPrgSettings Settings{"/nonexistent/ruvex-bench.ini", "bench"};
  support::TLogger Logger{"/nonexistent/ruvex-bench.log"};
  bench::TCountingClock Clock;
  support::TRuntimeScope Scope{&Settings, &Logger, &Clock, &Clock};
};

template <class TDriver>
void RunStatus(benchmark::State& state, bench::TInstantPort::TAnswer answer) {
  TBenchServices services;
  bench::TInstantPort port(std::move(answer));
  port.Open();
  TDriver fp;
  fp.Init(&port);
  for (auto _ : state) {
    auto result = fp.GetStatus(false);
    if (result->ResultType != model::fprOk) state.SkipWithError("status request failed");
    benchmark::DoNotOptimize(result.get());
  }
  state.counters["pause_ms"] = benchmark::Counter(static_cast<double>(services.Clock.SleptMs),
                                                  benchmark::Counter::kAvgIterations);
}

void BM_DaisyStatusExchange(benchmark::State& state) { RunStatus<devices::TFPDaisy>(state, bench::DaisyAnswer); }
BENCHMARK(BM_DaisyStatusExchange);

void BM_TremolStatusExchange(benchmark::State& state) { RunStatus<protocol::TFPTremol>(state, bench::TremolAnswer); }
BENCHMARK(BM_TremolStatusExchange);

template <class TDriver>
void RunReceipt(benchmark::State& state, bench::TInstantPort::TAnswer answer) {
  TBenchServices services;
  bench::TInstantPort port(std::move(answer));
  port.Open();
  TDriver fp;
  fp.Init(&port);
  const std::string script = bench::TwentyLineReceipt();
  const model::TDateTime deviceClock = model::EncodeDateTime(bench::TCountingClock::kNow);
  for (auto _ : state) {
    auto result = fp.SendFile(script, deviceClock);
    if (result->ResultType != model::fprOk) state.SkipWithError(("receipt failed: " + result->ResultText).c_str());
    benchmark::DoNotOptimize(result.get());
  }
  state.counters["pause_ms"] = benchmark::Counter(static_cast<double>(services.Clock.SleptMs),
                                                  benchmark::Counter::kAvgIterations);
}

void BM_DaisyTwentyLineReceipt(benchmark::State& state) { RunReceipt<devices::TFPDaisy>(state, bench::DaisyAnswer); }
BENCHMARK(BM_DaisyTwentyLineReceipt)->Unit(benchmark::kMicrosecond);

void BM_TremolTwentyLineReceipt(benchmark::State& state) {
  RunReceipt<protocol::TFPTremol>(state, bench::TremolAnswer);
}
BENCHMARK(BM_TremolTwentyLineReceipt)->Unit(benchmark::kMicrosecond);

}  // namespace
