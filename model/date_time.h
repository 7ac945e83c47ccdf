#pragma once
// Date-time values: days since 1899-12-30 as the whole part, time of day as the fraction,
// local time; 0 means "not set".
#include <string>

namespace model {

using TDateTime = double;

struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

bool IsValidDateTime(const TDateTimeParts& p);
// Throws model::EConvertError ("Invalid argument to date encode") when the parts are no valid date or time.
TDateTime EncodeDateTime(const TDateTimeParts& p);
bool TryEncodeDateTime(const TDateTimeParts& p, TDateTime& out);
// Rounded to the nearest millisecond.
TDateTimeParts DecodeDateTime(TDateTime value);

// "YYYY-MM-DD HH:MM:SS"
std::string FormatIsoSeconds(TDateTime value);
// Two-digit fields; tokens: "DD", "MM" (month), "YY", "YYYY", "HH", "NN" (minute), "SS". Other characters are copied.
std::string FormatDateTime(TDateTime value, const std::string& pattern);

}  // namespace model
