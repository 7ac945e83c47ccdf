#include "model/fp_result.h"

#include <gtest/gtest.h>

namespace model {
namespace {

TEST(FpResultText, NewResultShortForm) {
  TFpResult r;
  EXPECT_EQ(r.ToStringShort(),
            "ResultCode: ERROR\r\n"
            "ResultType: fprNone\r\n"
            "ResultText: \r\n"
            "StatusCode: \r\n"
            "StatusText: \r\n"
            "StatusErrors: \r\n"
            "FpNo: \r\n"
            "FpMem:\r\n"
            "FpBonNo: \r\n"
            "FpIsBonOpen: 0\r\n"
            "FpDateTime: 1899-12-30 00:00:00\r\n"
            "Json: \r\n");
}

TEST(FpResultText, ResultCodeOfEveryKind) {
  for (int t = fprNone; t <= fprLongResponse; ++t) {
    TFpResult r;
    r.ResultType = static_cast<TFpResultType>(t);
    const std::string expected = t == fprOk ? "OK" : t == fprNoResponse ? "NOANSWER" : "ERROR";
    const std::string text = r.ToStringShort();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "ResultCode: " + expected) << t;
  }
}

TFpResult Filled() {
  TFpResult r;
  r.Request = "FiscalBonItem;Хляб;1.20;1";
  r.RequestRaw = "1 Хляб";
  r.ResultType = fprStatusError;
  r.ResultText = "  Няма хартия\r\n";
  r.ResponseRaw = "raw";
  r.FpModel = "model-not-printed";
  r.FpNo = "DT123";
  r.FpMem = "02345678";
  r.FpDateTime = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  r.FpIsBonOpen = true;
  r.StatusCode = "80 80";
  r.StatusText = " (0.0) Бит\r\n";
  r.StatusErrors = "E";
  r.FpBonNo = "17";
  r.Json = "{}";
  return r;
}

TEST(FpResultText, FilledShortFormKeepsValuesAsStored) {
  EXPECT_EQ(Filled().ToStringShort(),
            "ResultCode: ERROR\r\n"
            "ResultType: fprStatusError\r\n"
            "ResultText:   Няма хартия\r\n"
            "\r\n"  // the text's own line break stays
            "StatusCode: 80 80\r\n"
            "StatusText:  (0.0) Бит\r\n"
            "\r\n"
            "StatusErrors: E\r\n"
            "FpNo: DT123\r\n"
            "FpMem:02345678\r\n"
            "FpBonNo: 17\r\n"
            "FpIsBonOpen: 1\r\n"
            "FpDateTime: 2024-03-05 14:07:09\r\n"
            "Json: {}\r\n");
}

// Long form of an otherwise new result.
std::string LongLines(const std::string& indent, const std::string& request, const std::string& type) {
  const std::string lines[] = {"Request: " + request, "RequestRaw: ", "ResultType: " + type, "ResultText: ",
                               "ResponseRaw: ", "FpNo: ", "FpMem: ", "FpDateTime: 1899-12-30 00:00:00:00",
                               "FpIsBonOpen: No", "StatusCode: ", "StatusText: ", "StatusErrors: ", "FpBonNo: ",
                               "FpNo: ", "Json: ", "Details: "};
  std::string s;
  for (const std::string& line : lines) s += indent + line + "\r\n";
  return s;
}

TEST(FpResultText, LongFormOfFilledResult) {
  EXPECT_EQ(Filled().ToString(0),
            "Request: FiscalBonItem;Хляб;1.20;1\r\n"
            "RequestRaw: 1 Хляб\r\n"
            "ResultType: fprStatusError\r\n"
            "ResultText: Няма хартия\r\n"  // trimmed in the long form
            "ResponseRaw: raw\r\n"
            "FpNo: DT123\r\n"
            "FpMem: 02345678\r\n"
            "FpDateTime: 2024-03-05 14:07:09:07\r\n"  // the minute once more
            "FpIsBonOpen: Yes\r\n"
            "StatusCode: 80 80\r\n"
            "StatusText:  (0.0) Бит\r\n"
            "\r\n"
            "StatusErrors: E\r\n"
            "FpBonNo: 17\r\n"
            "FpNo: DT123\r\n"
            "Json: {}\r\n"
            "Details: \r\n");
}

TEST(FpResultText, DetailsAreAlwaysAtLevelOneWithAnEmptyLineAfterEach) {
  TFpResult parent;
  parent.Request = "script";
  parent.ResultType = fprOk;
  for (const char* line : {"line1", "line2"}) {
    auto d = std::make_unique<TFpResult>();
    d->Request = line;
    d->ResultType = fprOk;
    parent.Details.push_back(std::move(d));
  }
  const std::string details = LongLines("    ", "line1", "fprOk") + "\r\n" + LongLines("    ", "line2", "fprOk") + "\r\n";
  EXPECT_EQ(parent.ToString(0), LongLines("", "script", "fprOk") + details);
  EXPECT_EQ(parent.ToString(2), LongLines("        ", "script", "fprOk") + details);
}

}  // namespace
}  // namespace model
