// The settings file as it lies on the disk, in any encoding and any shape, loaded the way the
// program loads it at start.
//
// What must hold: loading either succeeds or fails with a message; every entry has a name and a
// value (the empty value is stored as its marker); every key the program reads can be looked up
// without error; and what the store writes back loads again into exactly the same entries, so a
// run that saves its settings never changes or loses one it did not set.
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz_support.h"
#include "model/text.h"
#include "platform/files.h"
#include "support/settings.h"

namespace {

const char* const kKeys[] = {"DeviceAuto", "ComType", "ComPort", "ComBaudRate", "FpType", "Ipv4Address", "Ipv4Port",
                             "OperatorCode", "OperatorPassword", "OperatorStornoCode", "OperatorStornoPassword",
                             "FpClockDifferenceToleranceS", "SleepAfterBonStart", "SleepBeforeCommand"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = fuzz::ScratchFolder("settings") + "ruvex.ini";
  platform::WriteAllBytes(file, std::string(reinterpret_cast<const char*>(data), size));

  try {
    support::TPrgSettings settings(file, "KASSA1");
    for (const auto& [name, value] : settings.Entries()) {
      FUZZ_CHECK(!name.empty(), "an entry without a name");
      FUZZ_CHECK(!value.empty(), "an empty value not stored as its marker");
      FUZZ_CHECK(name.find_first_of("\r\n") == std::string::npos && value.find_first_of("\r\n") == std::string::npos,
                 "a line break inside an entry");
    }
    for (const char* key : kKeys) {
      (void)settings.Get(key);
      (void)support::SettingAsInt(settings, key, 20);
    }
    settings.SetValue("ComPort", "/dev/ttyUSB0");

    settings.SaveSettings();
    support::TPrgSettings reloaded(file, "KASSA1");
    FUZZ_CHECK(reloaded.Entries() == settings.Entries(), "saving and loading again changed the settings");
  } catch (const std::exception& e) {
    FUZZ_CHECK(*e.what() != '\0', "a settings error without a message");
  }
  return 0;
}
