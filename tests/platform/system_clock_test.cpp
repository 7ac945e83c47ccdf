#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/system.h"

namespace {

class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = ::getenv("TZ")) mOld = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (mOld) {
      ::setenv("TZ", mOld->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

private:
  std::optional<std::string> mOld;
};

TEST(SystemClock, DaylightSavingFollowsTheLocalTimeZone) {
  ScopedTimeZone tz("Europe/Sofia");
  const auto& clock = platform::SystemClock();
  EXPECT_TRUE(clock.IsDaylightSaving({2024, 7, 15, 12, 0, 0, 0}));
  EXPECT_FALSE(clock.IsDaylightSaving({2024, 1, 15, 12, 0, 0, 0}));
  // Summer time starts at 03:00 on the last Sunday of March.
  EXPECT_FALSE(clock.IsDaylightSaving({2024, 3, 31, 2, 30, 0, 0}));
  EXPECT_TRUE(clock.IsDaylightSaving({2024, 3, 31, 4, 0, 0, 0}));
}

TEST(SystemClock, NoDaylightSavingInAZoneWithoutIt) {
  ScopedTimeZone tz("UTC");
  EXPECT_FALSE(platform::SystemClock().IsDaylightSaving({2024, 7, 15, 12, 0, 0, 0}));
}

TEST(SystemClock, LocalNowIsTheWallClock) {
  ScopedTimeZone tz("UTC");
  const time_t before = ::time(nullptr);
  const auto now = platform::SystemClock().LocalNow();
  tm utc{};
  ::gmtime_r(&before, &utc);
  EXPECT_EQ(now.Year, utc.tm_year + 1900);
  EXPECT_EQ(now.Month, utc.tm_mon + 1);
  EXPECT_GE(now.Millisecond, 0);
  EXPECT_LT(now.Millisecond, 1000);
}

TEST(SystemSleeper, SleepingAdvancesTheMonotonicClock) {
  auto& clock = platform::SystemClock();
  const auto start = clock.MonotonicMs();
  platform::SystemSleeper().SleepMs(30);
  EXPECT_GE(clock.MonotonicMs() - start, 30);
  platform::SystemSleeper().SleepMs(0);
  platform::SystemSleeper().SleepMs(-5);
}

TEST(System, ProcessFacts) {
  EXPECT_NE(platform::ExecutablePath().find("platform_tests"), std::string::npos);
  char a0[] = "prog", a1[] = "getStatus", a2[] = "fiscalMemoryNo=1";
  char* argv[] = {a0, a1, a2, nullptr};
  EXPECT_EQ(platform::CommandLineArguments(3, argv), (std::vector<std::string>{"getStatus", "fiscalMemoryNo=1"}));
  const std::string host = platform::HostName();
  EXPECT_FALSE(host.empty());
  EXPECT_EQ(host.find('.'), std::string::npos);
}

TEST(System, SerialPortNamesAreDevicePathsWithoutDuplicates) {
  auto names = platform::SerialPortNames();
  for (const auto& n : names) EXPECT_EQ(n.rfind("/dev/", 0), 0u) << n;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

}  // namespace
