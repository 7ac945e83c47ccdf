#include "support/runtime.h"

#include "model/errors.h"

namespace support {

TPrgSettings* TRuntime::sSettings = nullptr;
TLogger* TRuntime::sLogger = nullptr;
platform::IClock* TRuntime::sClock = nullptr;
platform::ISleeper* TRuntime::sSleeper = nullptr;

TPrgSettings& TRuntime::Settings() {
  if (!sSettings) throw model::ERuvexError("The settings store has not been created");
  return *sSettings;
}

TLogger& TRuntime::Logger() {
  if (!sLogger) throw model::ERuvexError("The log has not been created");
  return *sLogger;
}

platform::IClock& TRuntime::Clock() { return sClock ? *sClock : platform::SystemClock(); }

platform::ISleeper& TRuntime::Sleeper() { return sSleeper ? *sSleeper : platform::SystemSleeper(); }

bool TRuntime::HasSettings() { return sSettings != nullptr; }

bool TRuntime::HasLogger() { return sLogger != nullptr; }

TRuntimeScope::TRuntimeScope(TPrgSettings* settings, TLogger* logger, platform::IClock* clock,
                             platform::ISleeper* sleeper)
    : mSettings(TRuntime::sSettings), mLogger(TRuntime::sLogger), mClock(TRuntime::sClock), mSleeper(TRuntime::sSleeper) {
  if (settings) TRuntime::sSettings = settings;
  if (logger) TRuntime::sLogger = logger;
  if (clock) TRuntime::sClock = clock;
  if (sleeper) TRuntime::sSleeper = sleeper;
}

TRuntimeScope::~TRuntimeScope() {
  TRuntime::sSettings = mSettings;
  TRuntime::sLogger = mLogger;
  TRuntime::sClock = mClock;
  TRuntime::sSleeper = mSleeper;
}

}  // namespace support
