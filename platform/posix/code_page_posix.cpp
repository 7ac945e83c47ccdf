// Windows-1251, the code page of the devices and of Return.txt, converted by table: the C library's
// iconv tables and locales differ between systems and may be missing on a till.
#include <array>
#include <cstdint>
#include <string>

#include "platform/code_page.h"
#include "platform/utf8.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = kUtf8Replacement;  // 0x98 has no character in this code page

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    kReplacement, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

char32_t ByteToCodePoint(std::uint8_t b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kHigh[b - 0x80];
}

int CodePointToByte(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
  if (cp == kReplacement) return -1;
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size() * 2);
  for (char c : ansi) AppendUtf8(out, ByteToCodePoint(static_cast<std::uint8_t>(c)));
  return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const int b = CodePointToByte(NextCodePoint(utf8, i));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

}  // namespace platform
