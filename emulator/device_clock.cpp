#include "emulator/device_clock.h"

#include <cstdio>
#include <ctime>

namespace emulator {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool TwoDigits(std::string_view text, std::size_t at, int& out) {
  if (at + 2 > text.size()) return false;
  char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  out = (a - '0') * 10 + (b - '0');
  return true;
}

}  // namespace

std::int64_t ToLocalSeconds(const TCivilTime& t) {
  return DaysFromCivil(t.Year, t.Month, t.Day) * 86400 + t.Hour * 3600 + t.Minute * 60 + t.Second;
}

TCivilTime FromLocalSeconds(std::int64_t seconds) {
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  std::int64_t rest = seconds - days * 86400;
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  TCivilTime t;
  t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2));
  t.Hour = static_cast<int>(rest / 3600);
  t.Minute = static_cast<int>(rest % 3600 / 60);
  t.Second = static_cast<int>(rest % 60);
  return t;
}

bool IsValidCivil(const TCivilTime& t) {
  return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= DaysInMonth(t.Year, t.Month) && t.Hour >= 0 &&
         t.Hour <= 23 && t.Minute >= 0 && t.Minute <= 59 && t.Second >= 0 && t.Second <= 59;
}

std::optional<TCivilTime> ParseDeviceDateTime(std::string_view text) {
  TCivilTime t;
  int year = 0;
  bool ok = TwoDigits(text, 0, t.Day) && text.size() > 2 && text[2] == '-' && TwoDigits(text, 3, t.Month) &&
            text.size() > 5 && text[5] == '-' && TwoDigits(text, 6, year) && text.size() > 8 && text[8] == ' ' &&
            TwoDigits(text, 9, t.Hour) && text.size() > 11 && text[11] == ':' && TwoDigits(text, 12, t.Minute);
  if (!ok) return std::nullopt;
  std::size_t end = 14;
  if (text.size() > 14) {
    if (text[14] != ':' || !TwoDigits(text, 15, t.Second)) return std::nullopt;
    end = 17;
  }
  if (end != text.size()) return std::nullopt;
  t.Year = 2000 + year;
  if (!IsValidCivil(t)) return std::nullopt;
  return t;
}

std::int64_t TDeviceClock::SystemLocalSeconds() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TCivilTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
               local.tm_sec > 59 ? 59 : local.tm_sec};
  return ToLocalSeconds(t);
}

TDeviceClock::TDeviceClock(std::int64_t offsetSeconds, TNow now) : mOffset(offsetSeconds), mNow(std::move(now)) {}

TCivilTime TDeviceClock::Now() const { return FromLocalSeconds(mNow() + mOffset); }

void TDeviceClock::Set(const TCivilTime& deviceTime) { mOffset = ToLocalSeconds(deviceTime) - mNow(); }

std::string TDeviceClock::FormatShort(const TCivilTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%02d %02d:%02d:%02d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute,
                t.Second);
  return text;
}

std::string TDeviceClock::FormatLong(const TCivilTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour, t.Minute,
                t.Second);
  return text;
}

}  // namespace emulator
