// Device clock texts, day first ("05-03-24 14:07:09", "05.03.2024 14:07"): whatever a device sends,
// the parser never raises and gives either 0 (not set) or a real calendar moment, which written
// out day first again reads back as the same value.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "model/date_time.h"
#include "support/time_u.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  model::TDateTime value = 0;
  try {
    value = support::ParseFpDateTime(text);
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("the device clock parser raised: ") + e.what());
  }
  if (value == 0) return 0;
  FUZZ_CHECK(std::isfinite(value) && value > -693594 && value < 2958466, "a date-time outside years 1 to 9999");
  const std::string written = model::FormatDateTime(value, "DD-MM-YYYY HH:NN:SS");
  FUZZ_CHECK(support::ParseFpDateTime(written) == value, "a parsed device clock does not read back: " + written);
  return 0;
}
