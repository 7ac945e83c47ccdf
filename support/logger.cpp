#include "support/logger.h"

#include <cstdio>

#include "platform/files.h"
#include "support/runtime.h"

namespace support {

void TLogger::Log(const std::string& parMessage) {
  const platform::TLocalTime t = TRuntime::Clock().LocalNow();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
  std::string entry;
  entry.reserve(parMessage.size() + 32);
  entry.append(stamp).append("\r\n").append(parMessage).append("\r\n\r\n");
  platform::AppendExclusive(mFileName, entry);
}

}  // namespace support
