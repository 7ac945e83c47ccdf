// Receipt scripts end to end on emulated Datecs devices of families A and B: the same script, the
// bytes that differ between the families (receipt and storno openings, storno reason codes, default
// password) and those that do not.
#include <gtest/gtest.h>

#include "script_shop.h"

namespace {

using e2e::TScriptShop;
using e2e::TSent;

struct TDatecsCase {
  const char* Family;  // --family
  const char* FpType;
  const char* FpNo;
  const char* FpMem;
  const char* StartLine;
  const char* StartData;
  const char* StornoLine;
  const char* StornoData;
};

void PrintTo(const TDatecsCase& c, std::ostream* out) { *out << c.FpType; }

const TDatecsCase kCases[] = {
    // Family A: the till number "1" before the sale number, the sale number twice in a storno, the
    // reason letter glued to the document number, password 0000.
    {"datecs-a", "DatecsA", "DT517985", "02517985", "FiscalBonStart;;;", "1,0000,1",
     "FiscalBonStorno;;;DT517985-0001-0000002;Return;0000123;2024-01-05 14:07;02517985",
     "1,0000,1,DT517985-0001-0000002,R0000123,DT517985-0001-0000002,050120241407,02517985"},
    // Family B: the sale number before the till number, reasons are digits, password 0.
    {"datecs-b", "DatecsB", "DT636414", "02636414", "FiscalBonStart;;;DT636414-0001-0000001",
     "1,0,DT636414-0001-0000001,1", "FiscalBonStorno;;;DT636414-0001-0000002;Return;0000123;2024-01-05 14:07;02636414",
     "1,0,DT636414-0001-0000002,1,1,0000123,050120241407,02636414"},
};

class DatecsScriptE2E : public ::testing::TestWithParam<TDatecsCase> {};

TEST_P(DatecsScriptE2E, SaleCashOutReportAndStornoWithTheFamilysBytes) {
  const TDatecsCase& c = GetParam();
  TScriptShop shop(c.Family, c.FpType, TScriptShop::TLine::Pty);
  shop.RunFile(std::string(c.StartLine) +
               "\r\n"
               "FiscalBonItem;Хляб;Бял;А;2.675;1\r\n"
               "FiscalBonTotal;;;Card;2\r\n"
               "FiscalBonTotal;;;Cash;5\r\n"
               "FiscalBonEnd\r\n"
               "CashInOut;-0.5\r\n"
               "XReport\r\n" +
               c.StornoLine +
               "\r\n"
               "FiscalBonItem;Хляб;;А;2.675;1\r\n"
               "FiscalBonTotal;;;Cash\r\n"
               "FiscalBonEnd\r\n");

  EXPECT_EQ(e2e::Received(shop.Device), (std::vector<TSent>{
                                            {"5A", "", ""},
                                            {"3E", "", ""},
                                            {"30", c.StartData, ""},
                                            {"31", "Хляб\nБял\tА2.675*1", ""},  // no rounding on these families
                                            {"35", "\n\tC2", ""},
                                            {"35", "\n\tP5", ""},
                                            {"38", "", ""},
                                            {"71", "", ""},
                                            {"71", "", ""},
                                            {"5A", "", ""},
                                            {"46", "-0.5", ""},
                                            {"71", "", ""},
                                            {"45", "0", ""},
                                            {"2E", c.StornoData, ""},
                                            {"31", "Хляб\n\tА2.675*1", ""},
                                            {"35", "\n\tP", ""},
                                            {"38", "", ""},
                                            {"71", "", ""},
                                            {"71", "", ""},
                                            {"5A", "", ""},
                                        }));
  const std::string text = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
  EXPECT_EQ(e2e::LineValue(text, "FpNo: "), c.FpNo);
  EXPECT_EQ(e2e::LineValue(text, "FpMem:"), c.FpMem);
  EXPECT_EQ(e2e::LineValue(text, "FpBonNo: "), "0000002");
}

INSTANTIATE_TEST_SUITE_P(FamiliesAAndB, DatecsScriptE2E, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TDatecsCase>& info) { return std::string(info.param.FpType); });

}  // namespace
