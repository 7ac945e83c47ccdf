#pragma once
#include <string>

#include "model/date_time.h"

namespace support {

// Device clock text, day first ("05-03-24 14:07:09"); 0 when it does not parse. Never throws.
model::TDateTime ParseFpDateTime(const std::string& text);
// Year first, fixed positions ("2024-03-05[ 14:07[:09]]"); throws EConvertError when it does not parse.
model::TDateTime ParseIsoDateTime(const std::string& text);

// The computer's current local time as a date-time value (through the runtime clock).
model::TDateTime Now();

}  // namespace support
