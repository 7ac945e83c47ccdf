#pragma once
// Virtual time for engine tests: sleeping advances the clock at once.
#include <cstdint>
#include <vector>

#include "model/date_time.h"
#include "platform/clock.h"

namespace fakes {

class FakeClock : public platform::IClock, public platform::ISleeper {
public:
  // Wall-clock time at virtual millisecond 0.
  model::TDateTimeParts Start{2024, 3, 5, 14, 7, 9, 0};
  std::int64_t NowMs = 0;
  bool Dst = false;
  std::vector<int> Sleeps;

  platform::TLocalTime LocalNow() const override {
    auto p = model::DecodeDateTime(model::EncodeDateTime(Start) + NowMs / 86400000.0);
    return {p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond};
  }
  std::int64_t MonotonicMs() const override { return NowMs; }
  bool IsDaylightSaving(const platform::TLocalTime&) const override { return Dst; }
  void SleepMs(int ms) override {
    Sleeps.push_back(ms);
    NowMs += ms;
  }
  std::int64_t TotalSleptMs() const {
    std::int64_t t = 0;
    for (int s : Sleeps) t += s;
    return t;
  }
};

}  // namespace fakes
