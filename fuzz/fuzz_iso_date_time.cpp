// Year-first date-times of receipt scripts (storno and period-report dates): fixed positions,
// "YYYY-MM-DD[ HH:MM[:SS]]". Any text either gives a real calendar moment that reads back the same
// when written out again, or raises a conversion error with the text in its message; nothing else.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "model/date_time.h"
#include "model/errors.h"
#include "support/time_u.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  model::TDateTime value = 0;
  try {
    value = support::ParseIsoDateTime(text);
  } catch (const model::EConvertError& e) {
    FUZZ_CHECK(*e.what() != '\0', "a conversion error without a message");
    return 0;
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("a date text raised something other than a conversion error: ") + e.what());
  }
  FUZZ_CHECK(std::isfinite(value) && value > -693594 && value < 2958466, "a date-time outside years 1 to 9999");
  const std::string written = model::FormatIsoSeconds(value);
  FUZZ_CHECK(support::ParseIsoDateTime(written) == value, "a parsed date-time does not read back: " + written);
  return 0;
}
