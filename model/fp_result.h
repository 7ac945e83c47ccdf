#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/date_time.h"
#include "model/enum_names.h"

namespace model {

enum TFpResultType : std::uint8_t {
  fprNone,
  fprNoResponse,
  fprErrorInResponse,
  fprOk,
  fprDateTimeNotCorrect,
  fprCommandError,
  fprUnknownError,
  fprError,
  fprStatusError,
  fprWait,
  fprWrongSequenceNo,
  fprWrongChecksum,
  fprShortResponse,
  fprLongResponse,
};

template <>
struct TEnumNames<TFpResultType> {
  static constexpr std::array<std::string_view, 14> Names = {
      "fprNone",        "fprNoResponse", "fprErrorInResponse", "fprOk",          "fprDateTimeNotCorrect",
      "fprCommandError", "fprUnknownError", "fprError",         "fprStatusError", "fprWait",
      "fprWrongSequenceNo", "fprWrongChecksum", "fprShortResponse", "fprLongResponse"};
};

// The outcome of every device operation and of the run.
class TFpResult {
public:
  std::string Request;
  std::string RequestRaw;
  TFpResultType ResultType = fprNone;
  std::string ResultText;
  std::string ResponseRaw;
  std::string FpModel;
  std::string FpNo;
  std::string FpMem;
  TDateTime FpDateTime = 0;
  bool FpIsBonOpen = false;
  std::string StatusCode;
  std::string StatusText;
  std::string StatusErrors;
  std::string FpBonNo;
  std::vector<std::uint8_t> QrData;
  std::string Json;
  std::vector<std::unique_ptr<TFpResult>> Details;

  // Twelve lines, CR LF each (the content of Return.txt).
  std::string ToStringShort() const;
  // Sixteen lines indented by 4*level blanks, then each detail at level 1 followed by an empty line.
  std::string ToString(int parLevel) const;
};

// One entry of a vendor error table.
class TFpError {
public:
  TFpError(std::string parCode, std::string parText, std::string parResolveSuggestions)
      : Code(std::move(parCode)), Text(std::move(parText)), ResolveSuggestions(std::move(parResolveSuggestions)) {}
  std::string Code;
  std::string Text;
  std::string ResolveSuggestions;
};

}  // namespace model
