#include "model/fp_result.h"

#include "model/fp_util.h"
#include "model/text.h"

namespace model {

namespace {

constexpr const char* kCrLf = "\r\n";

const char* ResultCode(TFpResultType type) {
  if (type == fprOk) return "OK";
  if (type == fprNoResponse) return "NOANSWER";
  return "ERROR";
}

}  // namespace

std::string TFpResult::ToStringShort() const {
  std::string s;
  auto line = [&s](const char* label, const std::string& value) { s.append(label).append(value).append(kCrLf); };
  line("ResultCode: ", ResultCode(ResultType));
  line("ResultType: ", TFpUtil::EnumToStr(ResultType));
  line("ResultText: ", ResultText);
  line("StatusCode: ", StatusCode);
  line("StatusText: ", StatusText);
  line("StatusErrors: ", StatusErrors);
  line("FpNo: ", FpNo);
  line("FpMem:", FpMem);
  line("FpBonNo: ", FpBonNo);
  line("FpIsBonOpen: ", FpIsBonOpen ? "1" : "0");
  line("FpDateTime: ", FormatIsoSeconds(FpDateTime));
  line("Json: ", Json);
  return s;
}

std::string TFpResult::ToString(int parLevel) const {
  const std::string indent(static_cast<std::size_t>(parLevel > 0 ? parLevel : 0) * 4, ' ');
  std::string s;
  auto line = [&](const char* label, const std::string& value) {
    s.append(indent).append(label).append(value).append(kCrLf);
  };
  line("Request: ", Request);
  line("RequestRaw: ", RequestRaw);
  line("ResultType: ", TFpUtil::EnumToStr(ResultType));
  line("ResultText: ", Trim(ResultText));
  line("ResponseRaw: ", ResponseRaw);
  line("FpNo: ", FpNo);
  line("FpMem: ", FpMem);
  // The field after the seconds repeats the minute; callers parse this line as it has always been.
  line("FpDateTime: ", FormatDateTime(FpDateTime, "YYYY-MM-DD HH:NN:SS:NN"));
  line("FpIsBonOpen: ", FpIsBonOpen ? "Yes" : "No");
  line("StatusCode: ", StatusCode);
  line("StatusText: ", StatusText);
  line("StatusErrors: ", StatusErrors);
  line("FpBonNo: ", FpBonNo);
  line("FpNo: ", FpNo);
  line("Json: ", Json);
  line("Details: ", "");
  for (const auto& detail : Details) {
    if (!detail) continue;
    s += detail->ToString(1);
    s += kCrLf;
  }
  return s;
}

}  // namespace model
