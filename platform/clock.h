#pragma once
// Every pause and every reading of time in the system goes through these two seams,
// so engine tests can run in virtual time.
#include <cstdint>

namespace platform {

struct TLocalTime {
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

class IClock {
public:
  virtual ~IClock() = default;
  virtual TLocalTime LocalNow() const = 0;
  // Milliseconds from an arbitrary start; never goes backwards.
  virtual std::int64_t MonotonicMs() const = 0;
  // Whether daylight saving time is in force at that local wall-clock moment.
  virtual bool IsDaylightSaving(const TLocalTime& local) const = 0;
};

class ISleeper {
public:
  virtual ~ISleeper() = default;
  virtual void SleepMs(int ms) = 0;
};

IClock& SystemClock();
ISleeper& SystemSleeper();

}  // namespace platform
