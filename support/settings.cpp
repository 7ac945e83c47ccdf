#include "support/settings.h"

#include <charconv>

#include "model/errors.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace support {

namespace {

constexpr const char* kEmptyMarker = "(empty)";

std::string DecodeUtf16(const std::string& bytes, std::size_t start, bool bigEndian) {
  std::u16string units;
  units.reserve((bytes.size() - start) / 2);
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    units += static_cast<char16_t>((hi << 8) | lo);
  }
  return model::Utf16ToUtf8(units);
}

// The file is decoded by its byte-order mark. Without one it is taken as UTF-8 when it is valid
// UTF-8 (this program writes UTF-8 without a mark, so its own non-ASCII values survive a load and
// save), otherwise as the ANSI code page of files edited by hand in older editors.
std::string DecodeSettingsFile(const std::string& bytes) {
  auto startsWith = [&bytes](std::string_view mark) { return model::StartsWith(bytes, mark); };
  // Bytes that break the UTF-8 the mark promises become U+FFFD, so that what is saved reads back the same.
  if (startsWith("\xEF\xBB\xBF")) return model::Utf16ToUtf8(model::Utf8ToUtf16(std::string_view(bytes).substr(3)));
  if (startsWith("\xFF\xFE")) return DecodeUtf16(bytes, 2, false);
  if (startsWith("\xFE\xFF")) return DecodeUtf16(bytes, 2, true);
  if (model::IsValidUtf8(bytes)) return bytes;
  return platform::AnsiToUtf8(bytes);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

TPrgSettings::TPrgSettings(std::string parFileName, std::string parComputerName)
    : mComputerName(model::AsciiLower(parComputerName)), mSettingsFileName(std::move(parFileName)) {
  std::string text;
  if (platform::FileExists(mSettingsFileName)) {
    mFileBytes = platform::ReadAllBytes(mSettingsFileName);
    text = DecodeSettingsFile(*mFileBytes);
  }
  LoadFromText(text);
}

void TPrgSettings::LoadFromText(const std::string& utf8) {
  for (std::string line : SplitLines(utf8)) {
    // A byte-order mark at the start of a line (a mark written twice, files joined together) is no
    // part of the key: kept, it would hide the key from lookups, and once saved as the first line it
    // would read back as the file's own mark and the key would be lost.
    while (model::StartsWith(line, "\xEF\xBB\xBF")) line.erase(0, 3);
    // An empty line or one beginning with "=" names no key; keeping it would write back a line that
    // grows by "=(empty)" at every save.
    if (line.empty() || line[0] == '=') continue;
    const std::size_t p = line.find('=');
    if (p == std::string::npos) {
      Store(line, kEmptyMarker);
    } else {
      const std::string value = line.substr(p + 1);
      Store(line.substr(0, p), value.empty() ? kEmptyMarker : value);
    }
  }
  // A fresh installation runs with automatic device discovery.
  if (Get("ComPort").empty() && Get("DeviceAuto").empty()) SetValue("DeviceAuto", "1", false);
}

std::string TPrgSettings::Get(const std::string& parName, bool parRequired) const {
  auto find = [this](const std::string& name) -> const std::string* {
    for (const auto& [key, value] : mSettings)
      if (model::IEquals(key, name)) return &value;
    return nullptr;
  };
  const std::string* value = find(parName + "_" + mComputerName);
  if (!value) value = find(parName);
  if (!value) {
    if (parRequired)
      throw model::ERuvexError("Параметърът " + parName + " няма въведена стойност в конфиг файла!");
    return {};
  }
  return *value == kEmptyMarker ? std::string() : *value;
}

std::string TPrgSettings::SetValue(const std::string& parName, const std::string& parValue, bool parGlobal) {
  Store(parGlobal ? parName : parName + "_" + mComputerName, parValue.empty() ? kEmptyMarker : parValue);
  return {};
}

void TPrgSettings::Store(const std::string& name, const std::string& value) {
  for (auto& entry : mSettings) {
    if (model::IEquals(entry.first, name)) {
      entry.second = value;
      return;
    }
  }
  mSettings.emplace_back(name, value);
}

void TPrgSettings::SaveSettings() const {
  std::string bytes;
  for (const auto& [name, value] : mSettings) bytes.append(name).append("=").append(value).append("\r\n");
  // Most runs change nothing; rewriting (and syncing) an identical file only costs time.
  if (mFileBytes && *mFileBytes == bytes) return;
  platform::ReplaceFileAtomically(mSettingsFileName, bytes);
}

int SettingAsInt(const TPrgSettings& settings, const std::string& key, int parDefault) {
  const std::string text = model::Trim(settings.Get(key));
  if (text.empty()) return parDefault;
  int value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+' && text.size() > 1 && text[1] != '-') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  return (ec == std::errc() && end == last) ? value : parDefault;
}

}  // namespace support
