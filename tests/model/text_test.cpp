#include "model/text.h"

#include <gtest/gtest.h>

namespace model {
namespace {

TEST(Text, CountsCutsAndPadsByCharacters) {
  const std::string s = "Бон №1";  // Cyrillic and the numero sign take several bytes each
  EXPECT_EQ(Utf8Length(s), 6u);
  EXPECT_EQ(Utf8Left(s, 3), "Бон");
  EXPECT_EQ(Utf8Left(s, 50), s);
  EXPECT_EQ(Utf8PadRight(s, 8), "Бон №1  ");
  EXPECT_EQ(Utf8PadRight(s, 2), "Бо");
  EXPECT_EQ(Utf8PadRight("", 0), "");
}

TEST(Text, Utf16RoundTripIncludingSurrogatePairs) {
  const std::string s = "aЖ€\xF0\x9F\x98\x80";  // U+1F600 needs a surrogate pair
  const std::u16string u = Utf8ToUtf16(s);
  EXPECT_EQ(u, (std::u16string{u'a', u'Ж', u'€', 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf16ToUtf8(u), s);
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");  // lone surrogate
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));  // overlong form
}

TEST(Text, ValidUtf8) {
  EXPECT_TRUE(IsValidUtf8("ComPort=COM3\r\nИме=Каса"));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
  EXPECT_FALSE(IsValidUtf8("\xCA\xE0\xF1\xE0"));  // "Каса" in Windows-1251
  EXPECT_FALSE(IsValidUtf8("\xD0"));               // cut in the middle of a character
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));       // encoded surrogate
}

TEST(Text, TrimRemovesBlanksAndControlsOnly) {
  EXPECT_EQ(Trim(" \t\r\n Грешка 12 \r\n"), "Грешка 12");
  EXPECT_EQ(Trim("\x01\x1F"), "");
  EXPECT_EQ(Trim("a b"), "a b");
}

TEST(Text, AsciiCaseFolding) {
  EXPECT_TRUE(IEquals("ComPort_KASSA1", "comport_kassa1"));
  EXPECT_FALSE(IEquals("ComPort", "ComPort "));
  EXPECT_FALSE(IEquals("Ж", "ж"));  // only ASCII letters fold
  EXPECT_EQ(AsciiLower("KASSA-1Ж"), "kassa-1Ж");
  EXPECT_TRUE(StartsWith("DeviceAuto_x", "DeviceAuto"));
  EXPECT_FALSE(StartsWith("Dev", "DeviceAuto"));
}

TEST(Text, SplitAllKeepsEmptyParts) {
  const struct {
    const char* text;
    const char* sep;
    std::vector<std::string> parts;
  } cases[] = {
      {"a;;b;", ";", {"a", "", "b", ""}},
      {"", ";", {""}},
      {"a<>b", "<>", {"a", "b"}},
      {"abc", ",", {"abc"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitAll(c.text, c.sep), c.parts) << c.text;
}

}  // namespace
}  // namespace model
