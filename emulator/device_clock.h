#pragma once
// The device's own clock: the computer's local wall-clock time plus an offset that the device keeps.
// Times are "local seconds": seconds since 1970-01-01 00:00 counted on the local calendar, so
// formatting and setting never go through a time zone.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace emulator {

struct TCivilTime {
  int Year = 1970, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};

std::int64_t ToLocalSeconds(const TCivilTime& t);
TCivilTime FromLocalSeconds(std::int64_t seconds);
// Field ranges of a calendar date and a 24-hour clock.
bool IsValidCivil(const TCivilTime& t);

// "DD-MM-YY HH:MM[:SS]" with two-digit fields; anything else gives nothing.
std::optional<TCivilTime> ParseDeviceDateTime(std::string_view text);

class TDeviceClock {
public:
  using TNow = std::function<std::int64_t()>;  // the computer's local seconds
  static std::int64_t SystemLocalSeconds();

  explicit TDeviceClock(std::int64_t offsetSeconds = 0, TNow now = &SystemLocalSeconds);

  TCivilTime Now() const;
  void Set(const TCivilTime& deviceTime);
  std::int64_t OffsetSeconds() const { return mOffset; }

  // "DD-MM-YY HH:MM:SS"
  static std::string FormatShort(const TCivilTime& t);
  // "DD-MM-YYYY HH:MM:SS"
  static std::string FormatLong(const TCivilTime& t);

private:
  std::int64_t mOffset;
  TNow mNow;
};

}  // namespace emulator
