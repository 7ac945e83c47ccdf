// An emulated Eltrade device end to end: its status with the seven-field diagnostic reply, and a
// receipt script with the family's own opening, storno and payment codes.
#include <gtest/gtest.h>

#include "script_shop.h"

namespace {

using e2e::TScriptShop;
using e2e::TSent;

TEST(EltradeE2E, StatusThenAScriptWithTheFamilysBytes) {
  TScriptShop shop("eltrade", "Eltrade", TScriptShop::TLine::Pty);

  shop.Run({"/getStatus"});
  // Bit 7 of every status byte is always set and has its own text on this family.
  EXPECT_EQ(e2e::WithoutClock(shop.Home.ReturnText()),
            e2e::ReturnLines({{"ResultCode: ", "OK"},
                              {"ResultType: ", "fprOk"},
                              {"ResultText: ", ""},
                              {"StatusCode: ", "(10000000, 10000000, 10000000, 10000000, 10000110, 10011010)"},
                              {"StatusText: ", " (0.7) Резервиран – винаги е 1.\r\n"
                                               " (1.7) Резервиран – винаги е 1.\r\n"
                                               " (2.7) Резервиран – винаги е 1.\r\n"
                                               " (3.7) Резервиран – винаги е 1.\r\n"
                                               " (4.7) Резервиран – винаги е 1.\r\n"
                                               " (4.2) Зададени са индивидуален номер на принтера и номер на фискалн\r\n"
                                               " (4.1) Зададен е ЕИК.\r\n"
                                               " (5.7) Резервиран – винаги е 1.\r\n"
                                               " (5.4) Зададени са поне веднъж данъчните ставки.\r\n"
                                               " (5.3) Принтерът е във фискален режим.\r\n"
                                               " (5.1) Фискалната памет е форматирана.\r\n"},
                              {"StatusErrors: ", ""},
                              {"FpNo: ", "ED311662"},
                              {"FpMem:", "44311662"},
                              {"FpBonNo: ", ""},
                              {"FpIsBonOpen: ", "0"},
                              {"FpDateTime: ", "*"},
                              {"Json: ", ""}}));

  shop.RunFile(
      "FiscalBonStart;1;;\r\n"
      "FiscalBonItem;Хляб;;А;1.20;2\r\n"
      "FiscalBonItem;Сирене;Бяло;Б;7,5;0.35\r\n"
      "FiscalBonTotal;;;Card;2\r\n"
      "FiscalBonTotal;;;Cash;10\r\n"
      "FiscalBonEnd\r\n"
      "CashInOut;-1.5\r\n"
      "XReport\r\n"
      "FiscalBonStorno;;;ED311662-0001-0000002;Decrease;0000001;2024-03-05 14:07:09;44311662\r\n"
      "FiscalBonItem;Хляб;;А;1.20;1\r\n"
      "FiscalBonTotal;;;Cash\r\n"
      "FiscalBonEnd\r\n");
  const std::vector<TSent> close = {{"38", "", ""}, {"71", "", ""}, {"71", "", ""}, {"5A", "", ""}};
  std::vector<TSent> expected = {
      {"5A", "", ""}, {"5A", "", ""}, {"3E", "", ""},  // the status run
      {"5A", "", ""}, {"3E", "", ""},                  // the script run: device from the settings, clock
      {"90", "1,", ""},                                // no sale number; the password is never sent
      {"31", "Хляб\n\tА1.2*2", ""},                    // the line feed stays with an empty second text
      {"31", "Сирене\nБяло\tБ7.5*0.35", ""},           //
      {"35", "\n\tL2", ""},                            // card is L here
      {"35", "\n\tP10", ""},                           //
  };
  expected.insert(expected.end(), close.begin(), close.end());
  expected.insert(expected.end(), {
                                      {"46", "-1.5", ""},
                                      {"71", "", ""},
                                      {"45", "0", ""},
                                      {"90", "1,ED311662-0001-0000002,S,44311662,T,0000001,2024-03-05T14:07:09", ""},
                                      {"31", "Хляб\n\tА1.2*1", ""},
                                      {"35", "\n\tP", ""},
                                  });
  expected.insert(expected.end(), close.begin(), close.end());
  EXPECT_EQ(e2e::Received(shop.Device), expected);

  const std::string text = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
  EXPECT_EQ(e2e::LineValue(text, "FpNo: "), "ED311662");
  EXPECT_EQ(e2e::LineValue(text, "FpMem:"), "44311662");
  EXPECT_EQ(e2e::LineValue(text, "FpBonNo: "), "0000002");
}

}  // namespace
