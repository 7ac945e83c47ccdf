#include "model/date_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "model/errors.h"

namespace model {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day number of 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;
// 9999-12-31 and 0001-01-01 lie within this many days of the epoch.
constexpr double kMaxDays = 2958466.0;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// Proleptic Gregorian calendar: days since 1970-01-01 and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

bool IsValidDateTime(const TDateTimeParts& p) {
  if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12) return false;
  if (p.Day < 1 || p.Day > DaysInMonth(p.Year, p.Month)) return false;
  return p.Hour >= 0 && p.Hour < 24 && p.Minute >= 0 && p.Minute < 60 && p.Second >= 0 && p.Second < 60 &&
         p.Millisecond >= 0 && p.Millisecond < 1000;
}

bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& out) {
  if (!IsValidDateTime(p)) return false;
  const double date = static_cast<double>(DaysFromCivil(p.Year, p.Month, p.Day) - kEpochOffset);
  const double time =
      static_cast<double>(((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond) / kMsPerDay;
  // Before the epoch the whole part counts days backwards while the fraction still runs forwards
  // through the day, so -1.25 is 1899-12-29 06:00.
  out = date < 0 ? date - time : date + time;
  return true;
}

TDateTime EncodeDateTime(const TDateTimeParts& p) {
  TDateTime out = 0;
  if (!TryEncodeDateTime(p, out)) throw EConvertError("Invalid argument to date encode");
  return out;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts p;
  // Beyond year 9999 either way the value is garbage (a bad device reply); it reads as "not set".
  if (!std::isfinite(value) || std::fabs(value) > kMaxDays) return p;
  const bool negative = value < 0;
  const auto total = static_cast<std::int64_t>(std::llround(std::fabs(value) * kMsPerDay));
  std::int64_t days = total / kMsPerDay;
  std::int64_t ms = total % kMsPerDay;
  if (negative) days = -days;
  CivilFromDays(days + kEpochOffset, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(ms / 3600000);
  p.Minute = static_cast<int>(ms / 60000 % 60);
  p.Second = static_cast<int>(ms / 1000 % 60);
  p.Millisecond = static_cast<int>(ms % 1000);
  return p;
}

std::string FormatIsoSeconds(TDateTime value) { return FormatDateTime(value, "YYYY-MM-DD HH:NN:SS"); }

std::string FormatDateTime(TDateTime value, const std::string& pattern) {
  const TDateTimeParts p = DecodeDateTime(value);
  std::string out;
  std::size_t i = 0;
  auto at = [&](const char* token) { return pattern.compare(i, std::char_traits<char>::length(token), token) == 0; };
  while (i < pattern.size()) {
    if (at("YYYY")) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d", p.Year);
      out += buf;
      i += 4;
    } else if (at("YY")) {
      out += Two(p.Year % 100);
      i += 2;
    } else if (at("MM")) {
      out += Two(p.Month);
      i += 2;
    } else if (at("DD")) {
      out += Two(p.Day);
      i += 2;
    } else if (at("HH")) {
      out += Two(p.Hour);
      i += 2;
    } else if (at("NN")) {
      out += Two(p.Minute);
      i += 2;
    } else if (at("SS")) {
      out += Two(p.Second);
      i += 2;
    } else {
      out += pattern[i++];
    }
  }
  return out;
}

}  // namespace model
