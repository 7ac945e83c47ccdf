#include <time.h>

#include <cerrno>

#include "platform/clock.h"

namespace platform {
namespace {

class TSystemClock : public IClock {
public:
  TLocalTime LocalNow() const override {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    ::localtime_r(&ts.tv_sec, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
  }

  std::int64_t MonotonicMs() const override {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }

  bool IsDaylightSaving(const TLocalTime& local) const override {
    tm t{};
    t.tm_year = local.Year - 1900;
    t.tm_mon = local.Month - 1;
    t.tm_mday = local.Day;
    t.tm_hour = local.Hour;
    t.tm_min = local.Minute;
    t.tm_sec = local.Second;
    t.tm_isdst = -1;  // let the time zone rules decide
    if (::mktime(&t) == static_cast<time_t>(-1)) return false;
    return t.tm_isdst > 0;
  }
};

class TSystemSleeper : public ISleeper {
public:
  void SleepMs(int ms) override {
    if (ms <= 0) return;
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

IClock& SystemClock() {
  static TSystemClock clock;
  return clock;
}

ISleeper& SystemSleeper() {
  static TSystemSleeper sleeper;
  return sleeper;
}

}  // namespace platform
