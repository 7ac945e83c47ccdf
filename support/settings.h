#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace support {

// name=value settings beside the executable; keys per computer (key + "_" + computer name) win over plain ones.
class TPrgSettings {
public:
  // Loads parFileName at once (missing file = empty list). Throws when the file exists but cannot be read.
  TPrgSettings(std::string parFileName, std::string parComputerName);

  // Effective value; "(empty)" reads as the empty text. Throws when parRequired and the key is absent.
  std::string Get(const std::string& parName, bool parRequired = false) const;
  // Stores under the plain name when parGlobal, else under the computer-specific one. Always returns "".
  std::string SetValue(const std::string& parName, const std::string& parValue, bool parGlobal = false);
  // Writes every entry, UTF-8 without a mark, CR LF after each; replaces the file atomically.
  // A file that already holds exactly these bytes is left untouched.
  void SaveSettings() const;
  std::string GetComputerName() const { return mComputerName; }
  const std::string& FileName() const { return mSettingsFileName; }
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return mSettings; }

  // Parses settings text (already decoded to UTF-8) into the list, then writes DeviceAuto=1 for this
  // computer when ComPort and DeviceAuto are both empty; used by the loader. Empty lines and lines
  // beginning with "=" are skipped.
  void LoadFromText(const std::string& utf8);

private:
  void Store(const std::string& name, const std::string& value);
  std::vector<std::pair<std::string, std::string>> mSettings;
  std::string mComputerName;
  std::string mSettingsFileName;
  std::optional<std::string> mFileBytes;  // the file as read at start; none when it did not exist
};

// Integer value of a setting, or parDefault when missing, empty or not an integer.
int SettingAsInt(const TPrgSettings& settings, const std::string& key, int parDefault);

}  // namespace support
