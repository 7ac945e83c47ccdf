#include "protocol/framed_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "support/runtime.h"

namespace {

using fakes::Bytes;
using fakes::Reply;
using fakes::ReplyChunk;
using model::TFpCommand;
using model::TFpResult;
using model::TFpResultType;

// A minimal member of the family: the two control bytes, a few commands and three status bits.
class TTestDevice final : public protocol::TFPBaisicDaisyDatecs {
public:
  TTestDevice() {
    InitVendorData();
    mCommandTable.Add(TFpCommand::DiagnosticInfoGet, 0x5A);
    mCommandTable.Add(TFpCommand::XReport, 0x45);
    mCommandTable.Add(TFpCommand::ZReport, 0x45);
    mCommandTable.Add(TFpCommand::FiscalBonTotal, 0x35);
    mCommandTable.Add(TFpCommand::FiscalBonEnd, 0x38);
    mCommandTable.Add(TFpCommand::FiscalBonNumberGet, 0x71);
    mCommandTable.Add(TFpCommand::CashInOut, 0x46);
    mResultTable.Add(model::fprCommandError, 0x15);
    mResultTable.Add(model::fprWait, 0x16);
  }
  void InitVendorData() override {
    mStatusList.Add("0.0", true, "(0.0*) Синтактична грешка");
    mStatusList.Add("1.1", true, "(1.1*) Неразрешена команда", "Проверете режима.");
    mStatusList.Add("2.3", false, "(2.3) Отворен е фискален бон");
  }
  driver::TFpResultPtr GetStatus(bool parFast) override {
    auto result = std::make_unique<TFpResult>();
    SendCommand(TFpCommand::DiagnosticInfoGet, "", *result, parFast);
    result->FpNo = "DY100";
    result->FpMem = "FM" + result->ResponseRaw;
    return result;
  }
  void SetSequenceNo(int n) { mSequenceNo = n; }
};

// A reply frame built independently of the engine: 01 LEN SEQ CMD data 04 status 05 CS 03.
Bytes ReplyFrame(std::uint8_t seq, std::uint8_t cmd, const std::string& ansiData, Bytes status = Bytes(6, 0x80)) {
  Bytes f{0x01, static_cast<std::uint8_t>(0x20 + 11 + ansiData.size()), seq, cmd};
  f.insert(f.end(), ansiData.begin(), ansiData.end());
  f.push_back(0x04);
  f.insert(f.end(), status.begin(), status.end());
  f.push_back(0x05);
  unsigned sum = 0;
  for (std::size_t i = 1; i < f.size(); ++i) sum += f[i];
  for (int shift = 12; shift >= 0; shift -= 4) f.push_back(static_cast<std::uint8_t>(0x30 + ((sum >> shift) & 0xF)));
  f.push_back(0x03);
  return f;
}

class FramedEngineTest : public ::testing::Test {
protected:
  FramedEngineTest() : port(clock) {
    port.Open();
    device.Init(&port);
  }
  // The pauses of one attempt that ends in silence: after the write, then ten empty reads.
  static std::vector<int> SilentAttempt() {
    std::vector<int> p{200};
    p.insert(p.end(), 10, 50);
    return p;
  }

  fakes::FakeClock clock;
  support::TRuntimeScope scope{nullptr, nullptr, &clock, &clock};
  fakes::FakeSerialPort port;
  TTestDevice device;
};

// ---- one request, one reply: the table ----

struct ExchangeCase {
  const char* Name;
  int SequenceBefore;  // advanced once before the frame is built
  std::uint8_t Command;
  std::string Data;
  Reply DeviceReply;
  Bytes ExpectedFrame;
  std::size_t ExpectedWrites;  // parFast false: resends show here
  TFpResultType ExpectedType;
  std::string ExpectedText;
  std::string ExpectedResponse;
  std::string ExpectedStatusCode;
};

const std::string kAll80 = "(10000000, 10000000, 10000000, 10000000, 10000000, 10000000)";

// 01 2B 23 45 04 80x6 05 30 33 39 3C 03: the device's answer to sequence 3 with no data.
const Bytes kReplySeq3 = {
    0x01,                                // preamble
    0x2B,                                // length 0x20 + 11
    0x23,                                // sequence 3
    0x45,                                // command echo
    0x04,                                // separator
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80,  // status bytes 0..5
    0x05,                                // end of checksummed part
    0x30, 0x33, 0x39, 0x3C,              // checksum 0x039C
    0x03,                                // terminator
};
const Bytes kXReportSeq3 = {
    0x01,                    // preamble
    0x25,                    // length 0x20 + 4 + 1
    0x23,                    // sequence 3
    0x45,                    // command
    0x30,                    // data "0"
    0x05,                    // end of checksummed part
    0x30, 0x30, 0x3C, 0x32,  // checksum 0x00C2
    0x03,                    // terminator
};

Bytes With(Bytes b, std::size_t at, std::uint8_t value) {
  b[at] = value;
  return b;
}
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Reply Now(Bytes b) { return Reply{ReplyChunk{0, std::move(b)}}; }

const std::vector<ExchangeCase> kExchangeCases = {
    {"DiagnosticInfoGetSilent", 1, 0x5A, "", Reply{},
     {
         0x01,                    // preamble
         0x24,                    // length 0x20 + 4
         0x22,                    // sequence 2
         0x5A,                    // command
         0x05,                    // end of checksummed part
         0x30, 0x30, 0x3A, 0x35,  // checksum 0x00A5
         0x03,                    // terminator
     },
     5, model::fprNoResponse, "Няма отговор!", "", ""},
    {"ReplyWithoutData", 2, 0x45, "0", Now(kReplySeq3), kXReportSeq3, 1, model::fprOk, "", "", kAll80},
    {"WaitCodesBeforeReply", 2, 0x45, "0", Now(Cat({0x16, 0x16, 0x16}, kReplySeq3)), kXReportSeq3, 1, model::fprOk,
     "", "", kAll80},
    {"WaitCodesInsideSplitReply", 2, 0x45, "0",
     Reply{{0, {0x16, 0x01, 0x2B, 0x23}}, {300, {0x16, 0x45, 0x04, 0x80, 0x80}},
           {200, {0x80, 0x16, 0x80, 0x80, 0x80, 0x05, 0x30, 0x33, 0x39, 0x3C, 0x03}}},
     kXReportSeq3, 1, model::fprOk, "", "", kAll80},
    {"CommandErrorIsNotResent", 2, 0x45, "0", Now({0x15}), kXReportSeq3, 1, model::fprCommandError,
     "Грешка в командата!", "", ""},
    {"WaitThenCommandError", 2, 0x45, "0", Now({0x16, 0x15}), kXReportSeq3, 1, model::fprCommandError,
     "Грешка в командата!", "", ""},
    {"WrongSequenceByte", 2, 0x45, "0", Now(With(kReplySeq3, 2, 0x24)), kXReportSeq3, 5, model::fprErrorInResponse,
     "", "", ""},
    {"WrongChecksum", 2, 0x45, "0", Now(With(kReplySeq3, 15, 0x3D)), kXReportSeq3, 5, model::fprErrorInResponse, "",
     "", ""},
    {"WrongTerminator", 2, 0x45, "0", Now(With(kReplySeq3, 16, 0x04)), kXReportSeq3, 5, model::fprErrorInResponse,
     "", "", ""},
    {"BytesAfterTerminator", 2, 0x45, "0", Now(Cat(kReplySeq3, {0x03})), kXReportSeq3, 5, model::fprErrorInResponse,
     "", "", ""},
    // An echo of the request is well formed but has no room for status bytes.
    {"EchoOfRequestIsNoReply", 2, 0x45, "0", Now(kXReportSeq3), kXReportSeq3, 5, model::fprErrorInResponse, "", "",
     ""},
    // Sequence numbers run 1..200: the 200th is 0xE8.
    {"HighestSequenceByte", 199, 0x45, "0", Now(ReplyFrame(0xE8, 0x45, "")),
     {0x01, 0x25, 0xE8, 0x45, 0x30, 0x05, 0x30, 0x31, 0x38, 0x37, 0x03}, 1, model::fprOk, "", "", kAll80},
    {"SequenceWrapsToOne", 200, 0x45, "0", Now(ReplyFrame(0x21, 0x45, "")),
     {0x01, 0x25, 0x21, 0x45, 0x30, 0x05, 0x30, 0x30, 0x3C, 0x30, 0x03}, 1, model::fprOk, "", "", kAll80},
    // Windows-1251 both ways: "Щ" is 0xD9.
    {"CyrillicDataConverted", 2, 0x45, "Щ", Now(ReplyFrame(0x23, 0x45, "\xC4\xE0,1")),
     {0x01, 0x25, 0x23, 0x45, 0xD9, 0x05, 0x30, 0x31, 0x36, 0x3B, 0x03}, 1, model::fprOk, "", "Да,1", kAll80},
};

class ExchangeTable : public FramedEngineTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeTable, FrameResultAndResends) {
  const ExchangeCase& c = GetParam();
  device.SetSequenceNo(c.SequenceBefore);
  port.Responder = [&](const Bytes&) { return c.DeviceReply; };
  TFpResult result;
  device.SendCommand(c.Command, c.Data, result, false);

  ASSERT_EQ(port.Writes.size(), c.ExpectedWrites);
  for (const Bytes& w : port.Writes) EXPECT_EQ(w, c.ExpectedFrame);  // a resend is the unchanged frame
  EXPECT_EQ(result.ResultType, c.ExpectedType);
  EXPECT_EQ(result.ResultText, c.ExpectedText);
  EXPECT_EQ(result.ResponseRaw, c.ExpectedResponse);
  EXPECT_EQ(result.StatusCode, c.ExpectedStatusCode);
  EXPECT_EQ(port.PurgeCount, static_cast<int>(c.ExpectedWrites));
}

INSTANTIATE_TEST_SUITE_P(Frames, ExchangeTable, ::testing::ValuesIn(kExchangeCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- timing and attempts ----

TEST_F(FramedEngineTest, SilenceGivesFiveAttemptsWithFixedPauses) {
  TFpResult result;
  device.SendCommand(0x5A, "", result, false);

  std::vector<int> expected;
  for (int attempt = 1; attempt <= 5; ++attempt) {
    auto a = SilentAttempt();
    expected.insert(expected.end(), a.begin(), a.end());
    if (attempt < 5) expected.push_back(100);
  }
  EXPECT_EQ(clock.Sleeps, expected);
  EXPECT_EQ(result.ResultType, model::fprNoResponse);
}

TEST_F(FramedEngineTest, FastSendsOnce) {
  port.Responder = [](const Bytes&) { return Now(With(kReplySeq3, 2, 0x24)); };
  TFpResult result;
  device.SetSequenceNo(2);
  device.SendCommand(0x45, "0", result, true);
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(result.ResultType, model::fprErrorInResponse);
  // One read brings the bad frame, then a whole cycle of empty reads ends the reading.
  std::vector<int> expected{200, 50};
  auto silent = SilentAttempt();
  expected.insert(expected.end(), silent.begin() + 1, silent.end());
  EXPECT_EQ(clock.Sleeps, expected);
}

TEST_F(FramedEngineTest, ResendAfterSilenceKeepsSequenceAndSucceeds) {
  port.QueueSilence();
  port.QueueReply(kReplySeq3);
  device.SetSequenceNo(2);
  TFpResult result;
  device.SendCommand(0x45, "0", result, false);
  ASSERT_EQ(port.Writes.size(), 2u);
  EXPECT_EQ(port.Writes[1], kXReportSeq3);
  EXPECT_EQ(result.ResultType, model::fprOk);
  EXPECT_EQ(device.SequenceNo(), 3);
}

TEST_F(FramedEngineTest, EachWaitCodeGrantsAnotherReadCycle) {
  // 1.5 s of wait codes, 400 ms apart: far longer than one cycle of ten reads.
  Reply reply;
  for (int i = 0; i < 4; ++i) reply.push_back({i == 0 ? 0 : 400, {0x16}});
  reply.push_back({400, kReplySeq3});
  port.Replies.push_back(reply);
  device.SetSequenceNo(2);
  TFpResult result;
  device.SendCommand(0x45, "0", result, false);
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(result.ResultType, model::fprOk);
}

TEST_F(FramedEngineTest, DeviceBusyForeverEndsInWaitWithoutResend) {
  // A wait code every 400 ms for five minutes: the exchange gives up after two minutes of "busy".
  Reply reply;
  for (int i = 0; i < 750; ++i) reply.push_back({i == 0 ? 0 : 400, {0x16}});
  port.Replies.push_back(reply);
  TFpResult result;
  device.SendCommand(0x45, "1", result, false);
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(result.ResultType, model::fprWait);
  EXPECT_EQ(result.ResultText, "Изчакайте за отговор!");
  EXPECT_GT(clock.NowMs, 120000);
  EXPECT_LT(clock.NowMs, 125000);
}

TEST_F(FramedEngineTest, ReplyPastBufferSizeEndsExchange) {
  // Two pieces that fit one read each but not the reply buffer together; wait codes do not count.
  Bytes chunk(600, 0x41);
  port.Replies.push_back(Reply{{0, Cat(Bytes(500, 0x16), chunk)}, {100, chunk}});
  TFpResult result;
  device.SendCommand(0x5A, "", result, false);
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(result.ResultType, model::fprErrorInResponse);
  EXPECT_NE(result.ResultText.find("1001"), std::string::npos);
}

TEST_F(FramedEngineTest, RequestDataLimitCountsCodePageBytes) {
  struct Case {
    std::string Data;
    bool Sent;
  };
  std::string cyrillic;
  for (int i = 0; i < 219; ++i) cyrillic += "Ж";  // 438 bytes of UTF-8, 219 on the wire
  const std::vector<Case> cases = {{std::string(219, 'A'), true}, {cyrillic, true}, {std::string(220, 'A'), false},
                                   {cyrillic + "Ж", false}};
  for (const auto& c : cases) {
    port.Writes.clear();
    TFpResult result;
    device.SendCommand(0x36, c.Data, result, true);
    if (c.Sent) {
      ASSERT_EQ(port.Writes.size(), 1u);
      EXPECT_EQ(port.Writes[0].size(), 229u);
      EXPECT_EQ(port.Writes[0][1], 0xFF);  // the largest length byte
    } else {
      EXPECT_TRUE(port.Writes.empty());
      EXPECT_EQ(result.ResultType, model::fprError);
      EXPECT_EQ(result.ResultText, "Данните на заявката са твърде дълги: 220 байта при най-много 219 в един кадър!");
      EXPECT_EQ(result.RequestRaw, "0x0036: " + c.Data);
    }
  }
}

TEST_F(FramedEngineTest, TransportErrorPropagates) {
  port.Close();
  port.FailOpen = true;
  device.Init(&port);
  TFpResult result;
  EXPECT_THROW(device.SendCommand(0x5A, "", result, false), std::exception);
}

// ---- checksum, validation and status decoding ----

TEST(FramedChecksum, NibblesPlus0x30MostSignificantFirst) {
  using E = protocol::TFPBaisicDaisyDatecs;
  EXPECT_EQ(E::EncodeChecksum(0x1A2F, 0x30), 0x313A323Fu);
  EXPECT_EQ(E::DecodeChecksum(0x313A323F, 0x30), 0x1A2F);
  const std::uint8_t bytes[] = {0x00, 0xFF, 0xFF, 0x02};
  EXPECT_EQ(E::RangeChecksum(bytes, 1, 2), E::EncodeChecksum(0x01FE, 0x30));
  EXPECT_EQ(E::RangeChecksum(bytes, 2, 1), 0x30303030u);  // empty range
  // The sum is kept modulo 0x10000.
  std::vector<std::uint8_t> many(300, 0xFF);
  EXPECT_EQ(E::RangeChecksum(many.data(), 0, 299), E::EncodeChecksum(static_cast<std::uint16_t>(300 * 0xFF), 0x30));
}

TEST_F(FramedEngineTest, ValidateLeavesResultAloneExceptTheType) {
  TFpResult result;
  result.ResultText = "kept";
  const Bytes bad = With(kReplySeq3, 0, 0x02);
  EXPECT_FALSE(device.ValidateResponseFrame(bad.data(), 0, bad.size(), 3, result));
  EXPECT_EQ(result.ResultType, model::fprErrorInResponse);
  EXPECT_EQ(result.ResultText, "kept");
  // A frame may start after other bytes.
  const Bytes shifted = Cat({0xAA, 0xBB}, kReplySeq3);
  EXPECT_TRUE(device.ValidateResponseFrame(shifted.data(), 2, shifted.size(), 3, result));
  // Fewer bytes than the smallest reply are never read past.
  EXPECT_FALSE(device.ValidateResponseFrame(shifted.data(), 2, 3, 3, result));
}

TEST_F(FramedEngineTest, ErrorBitsGiveStatusErrorWithSuggestions) {
  port.Responder = [](const Bytes& req) { return Now(ReplyFrame(req[2], req[3], "", {0x81, 0x82, 0x88, 0, 0, 0})); };
  TFpResult result;
  device.SendCommand(0x5A, "", result, false);
  EXPECT_EQ(port.Writes.size(), 1u);
  EXPECT_EQ(result.ResultType, model::fprStatusError);
  EXPECT_EQ(result.StatusCode, "(10000001, 10000010, 10001000, 00000000, 00000000, 00000000)");
  EXPECT_EQ(result.StatusErrors,
            " (0.0*) Синтактична грешка \r\n\r\n (1.1*) Неразрешена команда \r\n\r\n\r\n\r\nПроверете режима.\r\n");
  EXPECT_EQ(result.StatusText,
            " (0.0*) Синтактична грешка\r\n (1.1*) Неразрешена команда\r\n (2.3) Отворен е фискален бон\r\n");

  // The next clean reply clears the bits but a status error only ever raises the type.
  port.Responder = [](const Bytes& req) { return Now(ReplyFrame(req[2], req[3], "")); };
  TFpResult next;
  device.SendCommand(0x5A, "", next, false);
  EXPECT_EQ(next.ResultType, model::fprOk);
  EXPECT_EQ(next.StatusErrors, "");
  EXPECT_EQ(next.StatusText, "");
}

// ---- receipt operations common to the family ----

// Answers by command byte, with the request's own sequence byte.
class ScriptedDevice : public FramedEngineTest {
protected:
  void Answer(std::uint8_t cmd, std::string data) { mAnswers.push_back({cmd, std::move(data)}); }
  void SetUp() override {
    port.Responder = [this](const Bytes& req) {
      for (auto it = mAnswers.begin(); it != mAnswers.end(); ++it)
        if (it->first == req[3]) {
          Reply r = Now(ReplyFrame(req[2], req[3], it->second));
          mAnswers.erase(it);
          return r;
        }
      return Reply{};
    };
  }
  // The data part of the n-th request written.
  std::string SentData(std::size_t n) const {
    const Bytes& w = port.Writes.at(n);
    return std::string(w.begin() + 4, w.end() - 6);
  }
  std::vector<std::pair<std::uint8_t, std::string>> mAnswers;
};

TEST_F(ScriptedDevice, TotalLeavesOutZeroAmount) {
  Answer(0x35, "");
  Answer(0x35, "");
  device.FiscalBonTotal("Общо", "", "P", 0);
  device.FiscalBonTotal("A", "B", "C", 12.5L);
  ASSERT_EQ(port.Writes.size(), 2u);
  EXPECT_EQ(SentData(0), "\xCE\xE1\xF9\xEE\n\tP");
  EXPECT_EQ(SentData(1), "A\nB\tC12.5");
}

TEST_F(ScriptedDevice, EndTakesSecondReceiptNumberAndStatusNumbers) {
  Answer(0x38, "");
  Answer(0x71, "41");
  Answer(0x71, "42");
  Answer(0x5A, "777");
  auto result = device.FiscalBonEnd();
  ASSERT_EQ(port.Writes.size(), 4u);
  const std::uint8_t order[] = {0x38, 0x71, 0x71, 0x5A};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(port.Writes[i][3], order[i]);
  EXPECT_EQ(result->ResultType, model::fprOk);
  EXPECT_EQ(result->FpBonNo, "42");
  EXPECT_EQ(result->FpNo, "DY100");
  EXPECT_EQ(result->FpMem, "FM777");
  EXPECT_EQ(result->RequestRaw, "0x0038: ");
}

TEST_F(ScriptedDevice, CashInOutReadsNumberOnlyWhenDone) {
  Answer(0x46, "P,120.50,0,0");
  Answer(0x71, "17");
  auto done = device.CashInOut(-20);
  EXPECT_EQ(SentData(0), "-20");
  EXPECT_EQ(done->ResultType, model::fprOk);
  EXPECT_EQ(done->FpBonNo, "17");
  ASSERT_EQ(port.Writes.size(), 2u);

  Answer(0x46, "F,0,0,0");
  auto refused = device.CashInOut(1.5L);
  EXPECT_EQ(port.Writes.size(), 3u);  // no number request
  EXPECT_EQ(refused->ResultType, model::fprError);
  EXPECT_EQ(refused->ResultText,
            "Заявката е отказана. Това става, ако: \r• Касовата наличност е по-малка от заявения служебен износ."
            "\r• Има отворен фискален или служебен бон.");
  EXPECT_EQ(refused->FpBonNo, "");

  auto silent = device.CashInOut(5);  // no answer at all stays "no answer"
  EXPECT_EQ(silent->ResultType, model::fprNoResponse);
  EXPECT_EQ(silent->ResultText, "Няма отговор!");
}

TEST_F(ScriptedDevice, ReportsSendTheirModeDigit) {
  Answer(0x45, "");
  Answer(0x45, "");
  device.XReport();
  device.ZReport();
  ASSERT_EQ(port.Writes.size(), 2u);
  EXPECT_EQ(SentData(0), "0");
  EXPECT_EQ(SentData(1), "1");
}

}  // namespace
