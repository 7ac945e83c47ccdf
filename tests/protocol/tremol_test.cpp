// The Tremol driver against an in-memory port in virtual time.
#include "protocol/tremol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "model/date_time.h"
#include "model/errors.h"
#include "platform/code_page.h"
#include "support/runtime.h"
#include "support/settings.h"

namespace {

using fakes::Bytes;
using fakes::Reply;
using fakes::ReplyChunk;
using model::TFpResult;
using protocol::TFPTremol;

constexpr std::uint8_t WAIT = 0x0E, ACK = 0x06, STX = 0x02, NAK = 0x15, END = 0x0A;

// Checksum written independently of the driver: xor of the body as two 0x30 + nibble characters.
void AppendChecksum(Bytes& frame, std::size_t from) {
  std::uint8_t x = 0;
  for (std::size_t i = from; i < frame.size(); ++i) x ^= frame[i];
  frame.push_back(static_cast<std::uint8_t>(0x30 + (x >> 4)));
  frame.push_back(static_cast<std::uint8_t>(0x30 + (x & 0x0F)));
  frame.push_back(END);
}

Bytes Ack(std::uint8_t seqByte, char a, char b) {
  Bytes f{ACK, seqByte, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
  AppendChecksum(f, 1);
  return f;
}

// utf8Data is sent in the ANSI code page, as the device does.
Bytes DataFrame(std::uint8_t seqByte, std::uint8_t cmd, const std::string& utf8Data) {
  const std::string data = platform::Utf8ToAnsi(utf8Data);
  Bytes f;
  f.reserve(data.size() + 7);
  for (std::uint8_t b : {STX, static_cast<std::uint8_t>(0x20 + 3 + data.size()), seqByte, cmd}) f.push_back(b);
  f.insert(f.end(), data.begin(), data.end());
  AppendChecksum(f, 1);
  return f;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Command byte and data (back in UTF-8) of a request frame.
struct Request {
  std::uint8_t Command;
  std::string Data;
};
Request Decode(const Bytes& frame) {
  return {frame.at(3), platform::AnsiToUtf8(std::string(frame.begin() + 4, frame.end() - 3))};
}

class TremolTest : public ::testing::Test {
protected:
  void SetUp() override {
    port.Open();
    fp.Init(&port);
  }
  // Every request answered at once by an acknowledgement "0","0" echoing its sequence byte.
  void AnswerOk() {
    port.Responder = [](const Bytes& req) { return Reply{ReplyChunk{0, Ack(req[2], '0', '0')}}; };
  }
  int SleepsOf(int ms) const { return static_cast<int>(std::count(clock.Sleeps.begin(), clock.Sleeps.end(), ms)); }

  fakes::FakeClock clock;
  support::TRuntimeScope scope{nullptr, nullptr, &clock, &clock};
  fakes::FakeSerialPort port{clock};
  TFPTremol fp;
};

// ---- framing ----

TEST_F(TremolTest, FirstStatusRequestIsTheDocumentedFrame) {
  port.QueueSilence();
  fp.GetStatus(true);
  const Bytes expected{
      0x02,        // frame start
      0x23,        // length: 0x20 + 3, no data
      0x22,        // sequence 2: the first request of a fresh driver
      0x60,        // number request
      0x36, 0x31,  // checksum 0x23 ^ 0x22 ^ 0x60 = 0x61, as "61"
      0x0A,        // frame end
  };
  ASSERT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(port.Writes[0], expected);
}

TEST(TremolFrame, ChecksumUsesDigitsUpToQuestionMark) {
  struct Case {
    Bytes Body;
    std::string Expected;
  } cases[] = {
      {{0xA7}, ":7"},              // high nibble 10 is ':'
      {{0xF0, 0x0F}, "?\?"},        // 0xFF
      {{0x23, 0x22, 0x60}, "61"},  // plain digits
      {{}, "00"},                  // empty body
  };
  for (const auto& c : cases) {
    const auto cs = TFPTremol::CalcChecksum(c.Body.data(), c.Body.size());
    EXPECT_EQ(std::string(cs.begin(), cs.end()), c.Expected);
  }
}

TEST(TremolFrame, BuildFrameCarriesDataAndRefusesWhatDoesNotFit) {
  std::uint8_t buffer[TFPTremol::kFrameBufferSize];
  const std::size_t n = TFPTremol::BuildFrame(buffer, 3, 0x7F, "X");
  const Bytes expected{0x02, 0x24, 0x23, 0x7F, 'X',
                       0x32, 0x30,  // 0x24 ^ 0x23 ^ 0x7F ^ 0x58 = 0x20
                       0x0A};
  EXPECT_EQ(Bytes(buffer, buffer + n), expected);

  // 220 bytes make the length byte 0xFF; one more would overflow it.
  EXPECT_EQ(TFPTremol::BuildFrame(buffer, 1, 0x37, std::string(220, 'a')), 227u);
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_THROW(TFPTremol::BuildFrame(buffer, 1, 0x37, std::string(221, 'a')), std::length_error);
}

TEST_F(TremolTest, SequenceByteWrapsAfterE8AndResendsKeepIt) {
  AnswerOk();
  for (int i = 0; i < 199; ++i) fp.XReport();
  EXPECT_EQ(port.Writes.back()[2], 0xE8);  // sequence 200
  fp.XReport();
  EXPECT_EQ(port.Writes.back()[2], 0x21);  // back to 1

  port.Responder = nullptr;  // silence: the same frame goes out five times
  const std::size_t before = port.Writes.size();
  fp.XReport();
  ASSERT_EQ(port.Writes.size(), before + 5);
  for (std::size_t i = before; i < port.Writes.size(); ++i) EXPECT_EQ(port.Writes[i], port.Writes[before]);
  EXPECT_EQ(port.Writes[before][2], 0x22);
}

// ---- the exchange and reply parsing ----

struct ExchangeCase {
  const char* Name;
  // What the device answers to every transmission of the first request (sequence byte 0x22).
  Reply Answer;
  bool Fast;
  model::TFpResultType Type;
  const char* Text;
  std::size_t Transmissions;
};

std::vector<ExchangeCase> ExchangeCases() {
  const Bytes ok = Ack(0x22, '0', '0');
  Bytes badChecksum = ok;
  badChecksum[4] ^= 0x01;
  Bytes badEnd = ok;
  badEnd.back() = 0x03;
  return {
      {"WaitBytesThenFrame", {{0, Concat({WAIT, WAIT, WAIT}, ok)}}, false, model::fprOk, "", 1},
      {"WaitBytesThenFrameLater", {{0, {WAIT}}, {300, ok}}, false, model::fprOk, "", 1},
      {"Refusal", {{0, {NAK}}}, false, model::fprCommandError, "Грешка в командата!", 1},
      {"Silence", {}, false, model::fprNoResponse, "Няма отговор!", 5},
      {"SilenceFast", {}, true, model::fprNoResponse, "Няма отговор!", 1},
      {"WrongSequenceByte", {{0, Ack(0x23, '0', '0')}}, false, model::fprErrorInResponse, "", 5},
      {"WrongSequenceByteFast", {{0, Ack(0x23, '0', '0')}}, true, model::fprErrorInResponse, "", 1},
      {"BadChecksumFast", {{0, badChecksum}}, true, model::fprErrorInResponse, "", 1},
      {"BadEndByteFast", {{0, badEnd}}, true, model::fprErrorInResponse, "", 1},
      {"TrailingByteFast", {{0, Concat(ok, {0x00})}}, true, model::fprErrorInResponse, "", 1},
      {"GarbageFast", {{0, {0x41, 0x42}}}, true, model::fprErrorInResponse, "", 1},
      // At 9600 baud a reply arrives in pieces over several reads.
      {"SplitOverReads", {{0, {ACK, 0x22, '0'}}, {60, {'0'}}, {60, Bytes(ok.begin() + 4, ok.end())}}, false,
       model::fprOk, "", 1},
  };
}

class TremolExchange : public TremolTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(TremolExchange, Outcome) {
  const auto& c = GetParam();
  port.Responder = [&c](const Bytes&) { return c.Answer; };
  TFpResult result;
  fp.SendCommand(std::uint8_t{0x60}, "", result, c.Fast);
  EXPECT_EQ(result.ResultType, c.Type);
  EXPECT_EQ(result.ResultText, c.Text);
  EXPECT_EQ(port.Writes.size(), c.Transmissions);
  EXPECT_EQ(SleepsOf(100), static_cast<int>(c.Transmissions) - 1);  // a pause before every resend
}

INSTANTIATE_TEST_SUITE_P(Replies, TremolExchange, ::testing::ValuesIn(ExchangeCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TremolTest, OnlyWaitBytesGiveFivePassesWithoutResend) {
  port.Responder = [](const Bytes&) {
    Reply r;
    for (int t = 0; t < 40; ++t) r.push_back({t == 0 ? 0 : 100, {WAIT}});
    return r;
  };
  TFpResult result;
  fp.SendCommand(std::uint8_t{0x60}, "", result, false);
  EXPECT_EQ(result.ResultType, model::fprWait);
  EXPECT_EQ(result.ResultText, "Изчакайте за отговор!");
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(SleepsOf(200), 4);  // between the five passes
}

TEST_F(TremolTest, BadFrameIsResentAndTheGoodAnswerWins) {
  port.QueueReply(Ack(0x23, '0', '0'));  // sequence byte of another request
  port.QueueReply(Ack(0x22, '0', '0'));
  TFpResult result;
  fp.SendCommand(std::uint8_t{0x60}, "", result, false);
  EXPECT_EQ(result.ResultType, model::fprOk);
  ASSERT_EQ(port.Writes.size(), 2u);
  EXPECT_EQ(port.Writes[0], port.Writes[1]);
}

TEST_F(TremolTest, AcknowledgementStatusIsDecoded) {
  struct Case {
    char A, B;
    model::TFpResultType Type;
    const char* StatusText;
    bool BonOpen;
  } cases[] = {
      {'0', '0', model::fprOk, "(OK, OK)", false},
      {'4', '0', model::fprStatusError, "(Opened fiscal receipt, OK)", true},
      {';', '8', model::fprStatusError, "(24 hours block – missing Z report, Insufficient amount on hand)", false},
      {'?', '4', model::fprStatusError, "(Insufficient conditions, Syntax error)", false},
      {'@', '9', model::fprStatusError, "(?\?\?, ?\?\?)", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((std::string{c.A, c.B}));
    port.Responder = [&c](const Bytes& req) { return Reply{ReplyChunk{0, Ack(req[2], c.A, c.B)}}; };
    TFpResult result;
    result.ResultText = "earlier";
    fp.SendCommand(std::uint8_t{0x30}, "", result, false);
    EXPECT_EQ(result.ResultType, c.Type);
    EXPECT_EQ(result.StatusText, c.StatusText);
    EXPECT_EQ(result.FpIsBonOpen, c.BonOpen);
    if (c.Type == model::fprOk) {
      EXPECT_EQ(result.ResultText, "");
      EXPECT_EQ(result.StatusErrors, "");
    } else {
      EXPECT_EQ(result.ResultText, "earlier");
      EXPECT_EQ(result.StatusErrors, c.StatusText);
    }
  }
}

TEST_F(TremolTest, StatusCodeShowsBothCharactersInDecimalAndBits) {
  port.Responder = [](const Bytes& req) { return Reply{ReplyChunk{0, Ack(req[2], '4', '0')}}; };
  TFpResult result;
  fp.SendCommand(std::uint8_t{0x30}, "", result, false);
  EXPECT_EQ(result.StatusCode, "(52, 48) 00110100 00110000");
}

TEST_F(TremolTest, DataFrameGivesTextInUtf8) {
  port.Responder = [](const Bytes& req) { return Reply{ReplyChunk{0, DataFrame(req[2], req[3], "Дата;12")}}; };
  TFpResult result;
  fp.SendCommand(std::uint8_t{0x60}, "", result, false);
  EXPECT_EQ(result.ResultType, model::fprOk);
  EXPECT_EQ(result.ResponseRaw, "Дата;12");
  EXPECT_EQ(result.ResultText, "Дата;12");
}

TEST_F(TremolTest, ShortDataFrameIsAcceptedWithEmptyData) {
  Bytes frame{STX, 0x22, 0x22};  // body count 2: length and sequence byte only
  AppendChecksum(frame, 1);
  port.QueueReply(frame);
  TFpResult result;
  result.ResponseRaw = "stale";
  fp.SendCommand(std::uint8_t{0x60}, "", result, true);
  EXPECT_EQ(result.ResultType, model::fprOk);
  EXPECT_EQ(result.ResponseRaw, "");
}

// Cut or damaged frames from a device must be rejected without reading past what arrived.
TEST_F(TremolTest, TruncatedAndCorruptedFramesAreRejected) {
  const Bytes frames[] = {Ack(0x22, '0', '0'), DataFrame(0x22, 0x60, "ZK123456;50123456")};
  for (const Bytes& frame : frames) {
    for (std::size_t n = 1; n < frame.size(); ++n) {
      TFpResult result;
      fp.ParseAnswer(frame.data(), n, 2, result);
      EXPECT_EQ(result.ResultType, model::fprErrorInResponse) << "first " << n << " bytes";
    }
    for (std::size_t i = 0; i < frame.size(); ++i) {
      Bytes damaged = frame;
      damaged[i] ^= 0x40;
      TFpResult result;
      fp.ParseAnswer(damaged.data(), damaged.size(), 2, result);
      EXPECT_NE(result.ResultType, model::fprOk) << "byte " << i;
    }
  }
}

TEST_F(TremolTest, SleepBeforeCommandComesFromTheSettings) {
  support::TPrgSettings settings("/nonexistent/ruvex-test.ini", "PC1");
  settings.LoadFromText("SleepBeforeCommand=35\r\n");
  support::TRuntimeScope withSettings(&settings, nullptr);
  AnswerOk();
  fp.FiscalBonCancel();
  ASSERT_FALSE(clock.Sleeps.empty());
  EXPECT_EQ(clock.Sleeps.front(), 35);
}

// ---- oversized requests ----

TEST_F(TremolTest, DataThatDoesNotFitOneFrameIsRefusedBeforeSending) {
  AnswerOk();
  const auto refused = fp.FiscalBonTextLine(std::string(221, 'a'));
  EXPECT_EQ(refused->ResultType, model::fprError);
  EXPECT_EQ(refused->ResultText, "Данните на командата са твърде дълги: 221 байта, допустими са до 220!");
  EXPECT_TRUE(port.Writes.empty());
  EXPECT_EQ(fp.SequenceNo(), 1);

  // Counted in device bytes: 200 Cyrillic letters are 400 bytes in memory but 200 on the wire.
  std::string cyrillic;
  for (int i = 0; i < 200; ++i) cyrillic += "Ж";
  const auto sent = fp.FiscalBonTextLine(cyrillic);
  EXPECT_EQ(sent->ResultType, model::fprOk);
  ASSERT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(port.Writes[0].size(), 207u);
}

// ---- receipt operations ----

struct LayoutCase {
  const char* Name;
  std::function<void(TFPTremol&)> Run;
  std::uint8_t Command;
  std::string Data;
};

std::vector<LayoutCase> LayoutCases() {
  const model::TDateTime docTime = model::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  return {
      {"StartWithoutUnp", [](TFPTremol& fp) { fp.FiscalBonStart("01", "1", ""); }, 0x30, "01;1     ;1;1;0"},
      {"StartWithUnp", [](TFPTremol& fp) { fp.FiscalBonStart("02", "12345678", "DT000001-0001-0000001"); }, 0x30,
       "02;123456;1;1;0$DT000001-0001-0000001"},
      {"Storno",
       [docTime](TFPTremol& fp) {
         fp.FiscalBonStorno("01", "0", "DT000001-0001-0000002", "1", "123", docTime, "50163145");
       },
       0x30, "01;0     ;0;1;@;1;123   ;05-03-24 14:07;50163145;DT000001-0001-0000002"},
      {"StornoWithoutUnpShortFpMem",
       [docTime](TFPTremol& fp) { fp.FiscalBonStorno("01", "0", "", "0", "1234567", docTime, "5"); }, 0x30,
       "01;0     ;0;1;@;0;123456;05-03-24 14:07;5       ;"},
      {"ItemCyrillicNamePaddedInCharacters",
       [](TFPTremol& fp) { fp.FiscalBonItem("  Хляб", "бял ", "Б", 1.5L, 2); }, 0x31,
       "Хляб бял                            ;Б;1.5*2,0:0"},
      {"ItemLongNameCut",
       [](TFPTremol& fp) { fp.FiscalBonItem("0123456789012345678901234567890123456789", "", "А", 0.1L, 1.25L); },
       0x31, "012345678901234567890123456789012345;А;0.1*1.25,0:0"},
      {"TotalWithoutAmount", [](TFPTremol& fp) { fp.FiscalBonTotal("a", "b", "0", 0); }, 0x35, "0;0;"},
      {"TotalWithAmount", [](TFPTremol& fp) { fp.FiscalBonTotal("", "", "1", 12.5L); }, 0x35, "1;0;12.5"},
      {"TextLine", [](TFPTremol& fp) { fp.FiscalBonTextLine("Благодарим!"); }, 0x37, "Благодарим!"},
      {"Cancel", [](TFPTremol& fp) { fp.FiscalBonCancel(); }, 0x39, ""},
      {"XReport", [](TFPTremol& fp) { fp.XReport(); }, 0x7F, "X"},
      {"ZReport", [](TFPTremol& fp) { fp.ZReport(); }, 0x7F, "Z"},
  };
}

class TremolLayout : public TremolTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(TremolLayout, RequestData) {
  AnswerOk();
  GetParam().Run(fp);
  ASSERT_EQ(port.Writes.size(), 1u);
  const Request req = Decode(port.Writes[0]);
  EXPECT_EQ(req.Command, GetParam().Command);
  EXPECT_EQ(req.Data, GetParam().Data);
}

INSTANTIATE_TEST_SUITE_P(Operations, TremolLayout, ::testing::ValuesIn(LayoutCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TremolTest, ItemNameIs36CharactersNot36Bytes) {
  AnswerOk();
  fp.FiscalBonItem("Хляб", "", "Б", 1, 1);
  const Bytes& frame = port.Writes.at(0);
  // In the ANSI code page one byte per character: 36 name bytes, then the separator.
  EXPECT_EQ(frame.at(4 + 36), ';');
  EXPECT_EQ(frame.at(4 + 35), ' ');
}

TEST_F(TremolTest, OpeningAReceiptPausesAfterwardsEvenWhenRefused) {
  support::TPrgSettings settings("/nonexistent/ruvex-test.ini", "PC1");
  settings.LoadFromText("SleepAfterBonStart=75\r\n");
  support::TRuntimeScope withSettings(&settings, nullptr);
  port.Responder = [](const Bytes&) { return Reply{ReplyChunk{0, {NAK}}}; };
  const auto start = fp.FiscalBonStart("01", "0", "");
  EXPECT_EQ(start->ResultType, model::fprCommandError);
  EXPECT_EQ(clock.Sleeps.back(), 75);
  clock.Sleeps.clear();
  fp.FiscalBonStorno("01", "0", "", "0", "1", 0, "1");
  EXPECT_EQ(clock.Sleeps.back(), 75);
}

// ---- closing a receipt ----

std::string NumberReply(int fields) {
  std::string s;
  for (int i = 1; i <= fields; ++i) s += (i == 20 ? std::string("0000123") : "f" + std::to_string(i)) + ";";
  return s;
}

TEST_F(TremolTest, FiscalBonEndTakesTheReceiptNumberFromField20) {
  struct Case {
    std::string Reply;
    std::string BonNo;
  } cases[] = {
      {NumberReply(22), "0000123"},
      // Empty fields and leading blanks do not count; a quoted stretch is one field.
      {"a;;b;\"c;d\";  e\r\nf;g;h;i;j;k;l;m;n;o;p;q;r;s;t; 77;u", "77"},
      {NumberReply(19), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply);
    port.Writes.clear();
    port.Responder = [&c](const Bytes& req) {
      if (req[3] == 0x72) return Reply{ReplyChunk{0, DataFrame(req[2], req[3], c.Reply)}};
      return Reply{ReplyChunk{0, Ack(req[2], '0', '0')}};
    };
    const auto result = fp.FiscalBonEnd();
    ASSERT_EQ(port.Writes.size(), 2u);
    EXPECT_EQ(port.Writes[0][3], 0x72);  // number first, while the receipt is open
    EXPECT_EQ(port.Writes[1][3], 0x38);
    EXPECT_EQ(result->ResultType, model::fprOk);
    EXPECT_EQ(result->FpBonNo, c.BonNo);
    EXPECT_EQ(result->ResponseRaw, "");  // the close command's result, not the number reply
  }
}

TEST_F(TremolTest, FiscalBonEndReturnsTheCloseResultWhenTheNumberFails) {
  port.Responder = [](const Bytes& req) {
    return Reply{ReplyChunk{0, req[3] == 0x72 ? Bytes{NAK} : Ack(req[2], '0', '0')}};
  };
  const auto result = fp.FiscalBonEnd();
  EXPECT_EQ(result->ResultType, model::fprOk);
  EXPECT_EQ(result->FpBonNo, "");
}

// ---- status, clock and what the family does not provide ----

TEST_F(TremolTest, GetStatusReadsNumberAndMemoryFromTwoFields) {
  struct Case {
    std::string Reply;
    std::string FpNo, FpMem;
  } cases[] = {
      {" ZK123456 ; 50123456 ", "ZK123456", "50123456"},
      {"ZK123456;50123456;x", "", ""},
      {"ZK123456", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply);
    port.Responder = [&c](const Bytes& req) { return Reply{ReplyChunk{0, DataFrame(req[2], req[3], c.Reply)}}; };
    const auto status = fp.GetStatus(false);
    EXPECT_EQ(status->ResultType, model::fprOk);
    EXPECT_EQ(status->FpNo, c.FpNo);
    EXPECT_EQ(status->FpMem, c.FpMem);
  }
}

TEST_F(TremolTest, GetStatusTurnsATransportFailureIntoAnErrorResult) {
  support::TPrgSettings settings("/nonexistent/ruvex-test.ini", "KASA1");
  support::TRuntimeScope withSettings(&settings, nullptr);
  port.Close();
  port.FailOpen = true;
  fp.Init(&port);
  const auto status = fp.GetStatus(true);
  EXPECT_EQ(status->ResultType, model::fprError);
  EXPECT_FALSE(status->ResultText.empty());
  EXPECT_EQ(status->FpNo, settings.GetComputerName());
}

TEST_F(TremolTest, OperationsTheFamilyLacksRaiseWithoutSending) {
  TFpResult result;
  try {
    fp.SetDateTime(model::EncodeDateTime({2024, 3, 5, 14, 7, 0, 0}), result);
    FAIL() << "SetDateTime sent something";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Недефинирана команда за вендора!");
  }
  EXPECT_THROW(fp.CashInOut(10), model::EAbstractError);
  EXPECT_THROW(fp.ReportPeriodShort(1, 2), model::EAbstractError);
  EXPECT_TRUE(port.Writes.empty());
}

TEST(TremolVendorData, TablesAsTheDeviceDocumentsThem) {
  fakes::FakeClock clock;
  support::TRuntimeScope scope(nullptr, nullptr, &clock, &clock);
  TFPTremol fp;
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::Tremol);
  EXPECT_EQ(fp.VendorLetters(), "ZK");
  EXPECT_EQ(fp.DefaultOperatorCode(), "01");
  EXPECT_EQ(fp.DefaultPassword().size(), 1u);
  EXPECT_TRUE(fp.DefaultOperatorStornoCode().empty());

  const auto& bits = fp.StatusList();
  ASSERT_EQ(bits.Count(), 34u);
  EXPECT_EQ(bits.At(0).Code, "0.5");
  EXPECT_EQ(bits.At(33).Code, "5.0");
  for (std::size_t i = 0; i < bits.Count(); ++i) {
    const auto& bit = bits.At(i);
    EXPECT_EQ(bit.ErrorResolveSuggestion.empty(), bit.Code != "1.1") << bit.Code;
  }
  EXPECT_EQ(fp.CommandTable().GetVendorCode(model::TFpCommand::StornoReasonDecrease).AsText(), "1");
  EXPECT_EQ(fp.CommandTable().GetVendorCode(model::TFpCommand::PaymentMethodDelayed).AsText(), "2");
  EXPECT_EQ(fp.ResultTable().GetVendorCode(model::fprWait).AsInteger(), 0x0E);
}

}  // namespace
