#include "model/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/errors.h"

namespace model {
namespace {

TEST(DateTime, EncodesDaysSince18991230) {
  const struct {
    TDateTimeParts parts;
    double value;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},
      {{2024, 3, 5, 0, 0, 0, 0}, 45356.0},
      {{2024, 3, 5, 18, 0, 0, 0}, 45356.75},
      {{2000, 2, 29, 6, 0, 0, 0}, 36585.25},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},  // before the epoch the fraction still runs forwards
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(c.parts), c.value) << c.value;
    const TDateTimeParts back = DecodeDateTime(c.value);
    EXPECT_EQ(back.Year, c.parts.Year);
    EXPECT_EQ(back.Month, c.parts.Month);
    EXPECT_EQ(back.Day, c.parts.Day);
    EXPECT_EQ(back.Hour, c.parts.Hour);
  }
}

TEST(DateTime, DecodeRoundsToTheMillisecond) {
  const double v = EncodeDateTime({2024, 3, 5, 14, 7, 9, 999});
  const TDateTimeParts p = DecodeDateTime(v);
  EXPECT_EQ(p.Second, 9);
  EXPECT_EQ(p.Millisecond, 999);
  // A value a hair below midnight rounds up into the next day instead of showing 23:59:59.
  const TDateTimeParts q = DecodeDateTime(45357.0 - 1e-10);
  EXPECT_EQ(q.Day, 6);
  EXPECT_EQ(q.Hour, 0);
  for (double garbage : {1e300, -1e18, std::nan("")}) EXPECT_EQ(FormatIsoSeconds(garbage), "1899-12-30 00:00:00");
  EXPECT_EQ(FormatIsoSeconds(EncodeDateTime({9999, 12, 31, 23, 59, 59, 0})), "9999-12-31 23:59:59");
  EXPECT_EQ(FormatIsoSeconds(EncodeDateTime({1, 1, 1, 0, 0, 0, 0})), "0001-01-01 00:00:00");
}

TEST(DateTime, InvalidPartsAreRejected) {
  const TDateTimeParts bad[] = {
      {2023, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2024, 13, 1, 0, 0, 0, 0}, {2024, 4, 31, 0, 0, 0, 0},
      {2024, 1, 1, 24, 0, 0, 0}, {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0}, {0, 1, 1, 0, 0, 0, 0},
      {2024, 1, 0, 0, 0, 0, 0},  {2024, 1, 1, 0, 0, 0, 1000},
  };
  for (const auto& p : bad) {
    EXPECT_FALSE(IsValidDateTime(p)) << p.Year << "-" << p.Month << "-" << p.Day << " " << p.Hour;
    TDateTime out = 7;
    EXPECT_FALSE(TryEncodeDateTime(p, out));
    EXPECT_THROW(EncodeDateTime(p), EConvertError);
  }
  EXPECT_TRUE(IsValidDateTime({2000, 2, 29, 23, 59, 59, 999}));
}

TEST(DateTime, FormatTokens) {
  const double v = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  EXPECT_EQ(FormatIsoSeconds(v), "2024-03-05 14:07:09");
  EXPECT_EQ(FormatDateTime(v, "DDMMYY HHNNSS"), "050324 140709");
  EXPECT_EQ(FormatDateTime(v, "DD.MM.YYYY, HH:NN"), "05.03.2024, 14:07");
  EXPECT_EQ(FormatDateTime(0, "YYYY-MM-DD HH:NN:SS"), "1899-12-30 00:00:00");
}

}  // namespace
}  // namespace model
