// An emulated Datecs family-C device end to end: status, a receipt script in TAB fields, a refusal
// whose result names the device error, and the summer-time marker when the clock is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "fakes/env_scope.h"
#include "script_shop.h"

namespace {

using e2e::TScriptShop;
using e2e::TSent;

TEST(DatecsCE2E, StatusThenAScriptInTabFieldsThenARefusalNamedByTheDevice) {
  TScriptShop shop("datecs-c", "DatecsC", TScriptShop::TLine::Pty);

  shop.Run({"/getStatus"});
  std::string text = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
  EXPECT_EQ(e2e::LineValue(text, "FpNo: "), "DT279013");
  EXPECT_EQ(e2e::LineValue(text, "FpMem:"), "02279013");
  // The clock comes from the second TAB field of the reply; a misread shows as 1899-12-30.
  EXPECT_EQ(e2e::LineValue(text, "FpDateTime: ").rfind("20", 0), 0u) << text;

  shop.RunFile(
      "FiscalBonStart;;;DT279013-0001-0000001\r\n"
      "FiscalBonItem;Хляб;Бял;А;1.20;2\r\n"
      "FiscalBonItem;Мляко;;A;2.5;1\r\n"
      "FiscalBonTextLine;Благодарим!\r\n"
      "FiscalBonTotal;;;Card;3\r\n"
      "FiscalBonTotal;;;Cash\r\n"
      "FiscalBonEnd\r\n"
      "CashInOut;-1\r\n"
      "XReport\r\n"
      "FiscalBonStorno;;;DT279013-0001-0000002;Error;0000001;2024-01-05 14:07;02279013\r\n"
      "FiscalBonItem;Хляб;;А;1.20;1\r\n"
      "FiscalBonTotal;;;Cash\r\n"
      "FiscalBonEnd\r\n");
  std::vector<TSent> received = e2e::Received(shop.Device);
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(std::vector<TSent>(received.begin() + 3, received.end()),
            (std::vector<TSent>{
                {"5A", "", ""},
                {"3E", "", ""},
                {"30", "1\t0\tDT279013-0001-0000001\t1\t\t", ""},
                {"31", "Хляб Бял\t1\t1.2\t2\t0\t\t0\t", ""},  // both texts make the name; group А is 1
                {"31", "Мляко\t1\t2.5\t1\t0\t\t0\t", ""},     // the Latin A too
                {"36", "Благодарим!\t", ""},
                {"35", "1\t3\t", ""},  // card
                {"35", "0\t\t", ""},   // the rest in cash
                {"38", "", ""},        // its reply carries the receipt number
                {"5A", "", ""},
                {"46", "1\t1\t", ""},  // out, amount without its sign
                {"45", "X\t", ""},
                {"2B", "1\t0\tDT279013-0001-0000002\t1\t0\t0000001\t050120241407\t02279013\t", ""},
                {"31", "Хляб\t1\t1.2\t1\t0\t\t0\t", ""},
                {"35", "0\t\t", ""},
                {"38", "", ""},
                {"5A", "", ""},
            }));
  text = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
  EXPECT_EQ(e2e::LineValue(text, "FpNo: "), "DT279013");
  EXPECT_EQ(e2e::LineValue(text, "FpBonNo: "), "0000002");

  // A second opening while the first receipt is open: the device answers its error code, which the
  // result spells out, after the open-receipt reason.
  shop.RunFile("FiscalBonStart;;;\r\nFiscalBonStart;;;\r\n");
  received = e2e::Received(shop.Device);
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[received.size() - 2], (TSent{"30", "1\t0\t1\t\t", ""}));  // no sale number, no field for it
  EXPECT_EQ(e2e::WithoutClock(shop.Home.ReturnText()),
            e2e::ReturnLines({{"ResultCode: ", "ERROR"},
                              {"ResultType: ", "fprStatusError"},
                              {"ResultText: ",
                               "Вече има отворен бон, откажете го преди да изпратите друг.\r\n"
                               "Грешка: -111047. ERR_R_OPEN_FISCALBON Registration mode error: fiscal receipt is opened\r\n"
                               " (1.1#) # Изпълнението на командата не е позволено в текущия фискален режим. \r\n\r\n"
                               "\r\n"
                               "-111047\r\n"},
                              {"StatusCode: ", ""},
                              {"StatusText: ", ""},
                              {"StatusErrors: ", ""},
                              {"FpNo: ", ""},
                              {"FpMem:", ""},
                              {"FpBonNo: ", ""},
                              {"FpIsBonOpen: ", "1"},
                              {"FpDateTime: ", "*"},
                              {"Json: ", ""}}));
}

using fakes::TEnvScope;

TEST(DatecsCE2E, ClockSetMarksSummerTimeInTheComputersZone) {
  TScriptShop shop("datecs-c", "DatecsC", TScriptShop::TLine::Pty);
  {
    TEnvScope sofia("TZ", "Europe/Sofia");
    shop.RunFile("DateTimeSet;2024-07-15 10:30:00\r\nDateTimeSet;2024-01-15 10:30\r\n");
  }
  EXPECT_EQ(e2e::Received(shop.Device), (std::vector<TSent>{
                                            {"5A", "", ""},
                                            {"3E", "", ""},
                                            {"3D", "15-07-24 10:30:00 DST\t", ""},
                                            {"3D", "15-01-24 10:30:00\t", ""},
                                        }));
  EXPECT_EQ(e2e::LineValue(shop.Home.ReturnText(), "ResultType: "), "fprOk");
}

}  // namespace
