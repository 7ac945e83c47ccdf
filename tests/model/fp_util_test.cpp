#include "model/fp_util.h"

#include <gtest/gtest.h>

#include <clocale>

#include "model/errors.h"

namespace model {
namespace {

TEST(FpUtil, Bits) {
  EXPECT_TRUE(TFpUtil::BitIsSet(0x80, 7));
  EXPECT_FALSE(TFpUtil::BitIsSet(0x80, 0));
  EXPECT_TRUE(TFpUtil::BitIsSet(0x01, 0));
  EXPECT_FALSE(TFpUtil::BitIsSet(0xFF, 8));
  EXPECT_EQ(TFpUtil::ByteToBinaryString(0xA0), "10100000");
  EXPECT_EQ(TFpUtil::ByteToBinaryString(0), "00000000");
  EXPECT_EQ(TFpUtil::ByteToBinaryString(255), "11111111");
}

TEST(FpUtil, BufferTexts) {
  const std::uint8_t bytes[] = {1, 2, 255, 10};
  EXPECT_EQ(TFpUtil::BufferToString(bytes, 3), "(1, 2, 255, )");
  EXPECT_EQ(TFpUtil::BufferToString(bytes, 0), "()");
  const std::uint8_t hex[] = {1, 10, 255};
  EXPECT_EQ(TFpUtil::BufferToHexString(hex, 3), "01 0A FF ");
  EXPECT_EQ(TFpUtil::BufferToHexString(hex, 0), "");
}

TEST(FpUtil, MendDecimalSeparator) {
  EXPECT_EQ(TFpUtil::MendDecimalSeparator("12,50"), "12.50");
  EXPECT_EQ(TFpUtil::MendDecimalSeparator("12.50"), "12.50");
  EXPECT_EQ(TFpUtil::MendDecimalSeparator("1.234,50"), "1.234.50");
}

TEST(FpUtil, FloatToStr) {
  const struct {
    long double value;
    const char* text;
  } cases[] = {
      {2, "2"},
      {1.5L, "1.5"},
      {0.1, "0.1"},  // a double, not a long double: 15 digits hide the binary error
      {-20, "-20"},
      {1.15, "1.15"},
      {0, "0"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {0.00001L, "0.00001"},
      {0.000001L, "1E-6"},
      {-0.5L, "-0.5"},
      {100.10L, "100.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(TFpUtil::FloatToStr(c.value), c.text) << c.text;
}

TEST(FpUtil, FloatToStrIgnoresTheCLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "bg_BG.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(TFpUtil::FloatToStr(1.5L), "1.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FpUtil, SplitString) {
  const struct {
    const char* text;
    const char* sep;
    int parts;
    std::vector<std::string> expected;
  } cases[] = {
      {"a::b", ":", 5, {"a", "", "b"}},
      {"a:b:", ":", 5, {"a", "b", ""}},
      {"a:b:c", ":", 2, {"a", "b:c"}},
      {"a:b:c", ":", 1, {"a:b:c"}},
      {"", ":", 5, {""}},
      {"1:2:3:4:5:6:7", ":", 5, {"1", "2", "3", "4", "5:6:7"}},
      {"x<>y<>z", "<>", 3, {"x", "y", "z"}},
      {"a:b", "", 3, {"a:b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> list{"kept"};
    TFpUtil::SplitString(c.text, c.sep, c.parts, list);
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(list, expected) << c.text << " / " << c.parts;
  }
}

TEST(Errors, ListIndex) {
  try {
    ThrowListIndex(3);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
}

}  // namespace
}  // namespace model
