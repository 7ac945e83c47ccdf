#pragma once
// The process-wide services: settings store, log, clock and sleeper. The program entry installs the
// real ones; tests install their own with a TRuntimeScope.
#include "platform/clock.h"
#include "support/logger.h"
#include "support/settings.h"

namespace support {

class TRuntime {
public:
  static TPrgSettings& Settings();  // throws when none is installed
  static TLogger& Logger();
  static platform::IClock& Clock();      // system clock unless replaced
  static platform::ISleeper& Sleeper();  // system sleeper unless replaced
  static bool HasSettings();
  static bool HasLogger();

private:
  friend class TRuntimeScope;
  static TPrgSettings* sSettings;
  static TLogger* sLogger;
  static platform::IClock* sClock;
  static platform::ISleeper* sSleeper;
};

// Installs services for its lifetime and restores the previous ones afterwards. Null leaves a service as it was.
class TRuntimeScope {
public:
  TRuntimeScope(TPrgSettings* settings, TLogger* logger, platform::IClock* clock = nullptr,
                platform::ISleeper* sleeper = nullptr);
  ~TRuntimeScope();
  TRuntimeScope(const TRuntimeScope&) = delete;
  TRuntimeScope& operator=(const TRuntimeScope&) = delete;

private:
  TPrgSettings* mSettings;
  TLogger* mLogger;
  platform::IClock* mClock;
  platform::ISleeper* mSleeper;
};

}  // namespace support
