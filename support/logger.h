#pragma once
#include <string>

namespace support {

// Append-only log: "YYYY-MM-DD HH:MM:SS" CR LF message CR LF CR LF, UTF-8 without a mark.
class TLogger {
public:
  explicit TLogger(std::string parFileName) : mFileName(std::move(parFileName)) {}
  virtual ~TLogger() = default;
  // Throws when the file cannot be opened or written (another writer holds it).
  virtual void Log(const std::string& parMessage);
  const std::string& FileName() const { return mFileName; }

private:
  std::string mFileName;
};

}  // namespace support
