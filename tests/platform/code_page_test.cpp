#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"

namespace {

using platform::AnsiToUtf8;
using platform::Utf8ToAnsi;

TEST(CodePage, EveryDefinedByteSurvivesTheRoundTrip) {
  for (int b = 0; b <= 0xFF; ++b) {
    if (b == 0x98) continue;
    const std::string ansi(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(ansi)), ansi) << "byte 0x" << std::hex << b;
  }
}

TEST(CodePage, UndefinedByteBecomesReplacementCharacter) {
  EXPECT_EQ(AnsiToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Utf8ToAnsi("a\xEF\xBF\xBDz"), "a?z");
}

struct KnownChar {
  unsigned char Byte;
  const char* Utf8;
};

// Samples from every block of the upper half, where a slipped table row would show.
TEST(CodePage, UpperHalfMapsToTheRightCharacters) {
  const KnownChar cases[] = {
      {0x80, "Ђ"}, {0x82, "‚"}, {0x88, "€"}, {0x8F, "Џ"}, {0x90, "ђ"}, {0x96, "–"}, {0x97, "—"},
      {0x99, "™"}, {0x9F, "џ"}, {0xA0, "\u00A0"}, {0xA5, "Ґ"}, {0xA8, "Ё"}, {0xAD, "\u00AD"},
      {0xB2, "І"}, {0xB4, "ґ"}, {0xB8, "ё"}, {0xB9, "№"}, {0xBF, "ї"}, {0xC0, "А"}, {0xDF, "Я"},
      {0xE0, "а"}, {0xFF, "я"},
  };
  for (const auto& c : cases) {
    const std::string ansi(1, static_cast<char>(c.Byte));
    EXPECT_EQ(AnsiToUtf8(ansi), c.Utf8) << "byte 0x" << std::hex << int(c.Byte);
  }
}

TEST(CodePage, BulgarianTextIsOneBytePerLetter) {
  EXPECT_EQ(Utf8ToAnsi("Няма отговор!"), "\xCD\xFF\xEC\xE0 \xEE\xF2\xE3\xEE\xE2\xEE\xF0!");
  EXPECT_EQ(AnsiToUtf8("\xCD\xFF\xEC\xE0 \xEE\xF2\xE3\xEE\xE2\xEE\xF0!"), "Няма отговор!");
}

TEST(CodePage, ControlBytesAndNulPassUnchanged) {
  const std::string bytes("\x00\x01\r\n\t\x7F", 6);
  EXPECT_EQ(AnsiToUtf8(bytes), bytes);
  EXPECT_EQ(Utf8ToAnsi(bytes), bytes);
}

TEST(CodePage, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
  const struct {
    const char* Utf8;
    const char* Ansi;
  } cases[] = {
      {"é", "?"},
      {"ä€中", "?\x88?"},
      {"x😀y", "x?y"},        // four-byte sequence
      {"\xC3", "?"},          // cut off at the end
      {"\xE0\x80\x80", "???"},  // overlong form of NUL
      {"\xED\xA0\x80", "???"},  // surrogate
      {"\x80z", "?z"},        // stray continuation byte
      {"\xD0z", "?z"},        // lead byte without its continuation
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToAnsi(c.Utf8), c.Ansi) << c.Utf8;
}

}  // namespace
