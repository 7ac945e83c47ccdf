#include "support/time_u.h"

#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "model/errors.h"
#include "support/runtime.h"

namespace support {
namespace {

TEST(ParseFpDateTime, DeviceClockTexts) {
  const struct {
    const char* text;
    const char* expected;  // nullptr: does not parse (0)
  } cases[] = {
      {"05-03-24 14:07:09", "2024-03-05 14:07:09"},
      {"05.03.2024 14:07", "2024-03-05 14:07:00"},
      {"5-3-24 14:7", "2024-03-05 14:07:00"},
      {"05-03-24 14:07:09 DST 7", "2024-03-05 14:07:09"},  // tokens after the sixth are ignored
      {"\r\n05 03 24--14..07::09\r\n", "2024-03-05 14:07:09"},
      {"29-02-2024 23:59:59", "2024-02-29 23:59:59"},
      {"05-03-124 10:00", "0124-03-05 10:00:00"},  // only a two-digit year gets "20"
      {"31-02-24 10:00:00", nullptr},
      {"", nullptr},
      {"05-03-24", nullptr},
      {"05-03-24 25:00", nullptr},
      {"05-03-24 14:60", nullptr},
      {"05-03-24 14:07:60", nullptr},
      {"05-13-24 14:07", nullptr},
      {"00-03-24 14:07", nullptr},
      {"05-03-24 14:07:0x", nullptr},
      {"'05-03'-24 14:07:09", nullptr},  // a quoted stretch is one token, quotes included
      {"05-03-\"24 14\":07:09", nullptr},
      {"05-03-24 14:07:99999999999999", nullptr},
  };
  for (const auto& c : cases) {
    const model::TDateTime v = ParseFpDateTime(c.text);
    if (c.expected)
      EXPECT_EQ(model::FormatIsoSeconds(v), c.expected) << c.text;
    else
      EXPECT_EQ(v, 0) << c.text;
  }
}

TEST(ParseIsoDateTime, FixedPositions) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"2024-03-05", "2024-03-05 00:00:00"},
      {"2024-03-05 14:07", "2024-03-05 14:07:00"},
      {"2024/03/05T14:07:09", "2024-03-05 14:07:09"},
      {"  2024-03-05 14:07:09\r\n", "2024-03-05 14:07:09"},
      {"\t2024-03-05 ", "2024-03-05 00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(model::FormatIsoSeconds(ParseIsoDateTime(c.text)), c.expected) << c.text;
}

TEST(ParseIsoDateTime, FailuresRaise) {
  const char* bad[] = {
      "2024-3-5",          "2024-03-05 14:07:09.123", "2024-02-30",       "2024-03-05 24:00",
      "",                  "2024-03-05 14:07:",        "abcd-03-05",       "2024-03-05 14:07:0912",
      "2024-03-05 14-7-9", "2024-03-05 14:07:60",     "2024-03-05 14:07:+9",
  };
  for (const char* text : bad) EXPECT_THROW(ParseIsoDateTime(text), model::EConvertError) << text;
  try {
    ParseIsoDateTime(" 2024-3-5 ");
    FAIL();
  } catch (const model::EConvertError& e) {
    EXPECT_STREQ(e.what(), "'2024-3-5' is not a valid date and time");
  }
}

TEST(TimeU, NowComesFromTheRuntimeClock) {
  fakes::FakeClock clock;
  TRuntimeScope scope(nullptr, nullptr, &clock, &clock);
  clock.SleepMs(1500);
  const model::TDateTimeParts p = model::DecodeDateTime(Now());
  EXPECT_EQ(model::FormatIsoSeconds(Now()), "2024-03-05 14:07:10");
  EXPECT_EQ(p.Millisecond, 500);
}

}  // namespace
}  // namespace support
