// The system ANSI code page (CP_ACP); Windows-1251 on the Bulgarian systems served.
//
// Both directions behave exactly like the table conversion of the other build, so that a till
// running either one writes the same bytes: a byte the code page leaves undefined (0x98 in 1251,
// which Windows passes through as the C1 control U+0098) reads as U+FFFD, and every character the
// code page cannot represent, and every malformed UTF-8 sequence, becomes one '?'. No best-fit
// substitutes ("é" is not sent to a device as "e").
#include <array>
#include <cstdint>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = kUtf8Replacement;

// One code point per byte, built once from the system when its ANSI code page is single-byte.
class TSingleByteTable {
public:
  TSingleByteTable() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1) return;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      wchar_t wide = 0;
      char32_t cp = kReplacement;
      if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1) cp = wide;
      // Windows fills the holes of a single-byte code page with the C1 control of the same value.
      if (b >= 0x80 && cp >= 0x80 && cp <= 0x9F) cp = kReplacement;
      mToCodePoint[static_cast<std::size_t>(b)] = cp;
      if (cp != kReplacement) mToByte.emplace(cp, byte);
    }
    mValid = true;
  }
  bool Valid() const { return mValid; }
  char32_t CodePoint(std::uint8_t b) const { return mToCodePoint[b]; }
  // -1 when the code page has no byte for it.
  int Byte(char32_t cp) const {
    auto it = mToByte.find(cp);
    return it == mToByte.end() ? -1 : static_cast<std::uint8_t>(it->second);
  }

private:
  bool mValid = false;
  std::array<char32_t, 256> mToCodePoint{};
  std::unordered_map<char32_t, char> mToByte;
};

const TSingleByteTable& Table() {
  static const TSingleByteTable table;
  return table;
}

// A multi-byte system code page (not one this program serves): the system converts, still
// without best-fit substitutes.
std::string Utf8ToMultiByte(const std::string& utf8) {
  std::wstring wide;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = NextCodePoint(utf8, i);
    wide += cp > 0xFFFF ? static_cast<wchar_t>(kReplacement) : static_cast<wchar_t>(cp);
  }
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              "?", nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?",
                      nullptr);
  return out;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return {};
  const TSingleByteTable& table = Table();
  if (table.Valid()) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char c : ansi) AppendUtf8(out, table.CodePoint(static_cast<std::uint8_t>(c)));
    return out;
  }
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return win32::Narrow(wide);
}

std::string Utf8ToAnsi(const std::string& utf8) {
  const TSingleByteTable& table = Table();
  if (!table.Valid()) return Utf8ToMultiByte(utf8);
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const int b = table.Byte(NextCodePoint(utf8, i));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

}  // namespace platform
