// An emulated Tremol device end to end: status from the number request, a receipt script in the
// family's ";" layouts with names padded to 36 characters, and the device state "receipt open" in
// an acknowledgement.
#include <gtest/gtest.h>

#include "script_shop.h"

namespace {

using e2e::TScriptShop;
using e2e::TSent;

TEST(TremolE2E, StatusThenAScriptWithTheFamilysBytes) {
  TScriptShop shop("tremol", "Tremol", TScriptShop::TLine::Pty);

  shop.Run({"/getStatus"});
  // A data reply puts its text into the result text too.
  EXPECT_EQ(e2e::WithoutClock(shop.Home.ReturnText()), e2e::ReturnLines({{"ResultCode: ", "OK"},
                                                                          {"ResultType: ", "fprOk"},
                                                                          {"ResultText: ", "ZK133759;50163145"},
                                                                          {"StatusCode: ", ""},
                                                                          {"StatusText: ", ""},
                                                                          {"StatusErrors: ", ""},
                                                                          {"FpNo: ", "ZK133759"},
                                                                          {"FpMem:", "50163145"},
                                                                          {"FpBonNo: ", ""},
                                                                          {"FpIsBonOpen: ", "0"},
                                                                          {"FpDateTime: ", "*"},
                                                                          {"Json: ", ""}}));

  shop.RunFile(
      "FiscalBonStart;;;ZK133759-0001-0000001\r\n"
      "FiscalBonItem;Хляб;Бял;А;1.20;2\r\n"
      "FiscalBonItem;Кашкавал от краве мляко;Витоша 400 г, вакуум;Б;8.4;0.5\r\n"
      "FiscalBonTextLine;Благодарим!\r\n"
      "FiscalBonTotal;;;Card;2\r\n"
      "FiscalBonTotal;;;Cash\r\n"
      "FiscalBonEnd\r\n"
      "XReport\r\n"
      "ZReport\r\n"
      "FiscalBonStorno;;;ZK133759-0001-0000002;Return;123;2024-01-05 14:07;50163145\r\n"
      "FiscalBonItem;Хляб;;А;1.20;1\r\n"
      "FiscalBonTotal;;;Cash\r\n"
      "FiscalBonEnd\r\n");
  const std::vector<TSent> received = e2e::Received(shop.Device);
  ASSERT_GE(received.size(), 3u);
  // Names count characters, not bytes: eight Cyrillic letters and a blank take 28 blanks to 36;
  // the long name is cut after its 36th character.
  EXPECT_EQ(std::vector<TSent>(received.begin() + 3, received.end()),
            (std::vector<TSent>{
                {"60", "", ""},
                {"68", "", ""},
                {"30", "01;0     ;1;1;0$ZK133759-0001-0000001", ""},  // password padded to six
                {"31", "Хляб Бял" + std::string(28, ' ') + ";А;1.2*2,0:0", ""},
                {"31", "Кашкавал от краве мляко Витоша 400 г;Б;8.4*0.5,0:0", ""},
                {"37", "Благодарим!", ""},
                {"35", "1;0;2", ""},
                {"35", "0;0;", ""},  // no amount: the rest
                {"72", "", ""},      // the receipt number while the receipt is still open
                {"38", "", ""},
                {"7F", "X", ""},
                {"7F", "Z", ""},
                {"30", "01;0     ;0;1;@;1;123   ;05-01-24 14:07;50163145;ZK133759-0001-0000002", ""},
                {"31", "Хляб" + std::string(32, ' ') + ";А;1.2*1,0:0", ""},
                {"35", "0;0;", ""},
                {"72", "", ""},
                {"38", "", ""},
            }));
  const std::string text = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
  EXPECT_EQ(e2e::LineValue(text, "FpBonNo: "), "0000002");
}

// An acknowledgement with device state "4" (fiscal receipt open) and outcome "0".
TEST(TremolE2E, ReceiptOpenStateInAnAcknowledgementIsAStatusError) {
  TScriptShop shop("tremol", "Tremol", TScriptShop::TLine::Pty, {"--fault", "0x30:status=40"});
  shop.RunFile("FiscalBonStart;;;\r\nFiscalBonCancel\r\n");

  EXPECT_EQ(e2e::Received(shop.Device), (std::vector<TSent>{
                                            {"60", "", ""},
                                            {"68", "", ""},
                                            {"30", "01;0     ;1;1;0", " faults=0x30:status=40"},
                                        }));
  EXPECT_EQ(e2e::WithoutClock(shop.Home.ReturnText()),
            e2e::ReturnLines({{"ResultCode: ", "ERROR"},
                              {"ResultType: ", "fprStatusError"},
                              {"ResultText: ",
                               "Вече има отворен бон, откажете го преди да изпратите друг.\r\n\r\n"
                               "(Opened fiscal receipt, OK)\r\n"},
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

}  // namespace
