// The device session with the Daisy personality: answers, receipt state, duplicates and faults.
#include <gtest/gtest.h>

#include "emu_test_util.h"
#include "emulator/daisy_device.h"
#include "emulator/framed_device.h"
#include "platform/code_page.h"

namespace {

using emutest::ClassicReplyData;
using emutest::ClassicReplyStatus;
using emutest::ClassicRequest;

const emulator::TIdentity kDaisy{"CompactM", "DY448967", "36607003"};

std::string Ansi(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

bool BitSet(const std::string& status, int byte, int bit) {
  return status.size() > static_cast<std::size_t>(byte) && (static_cast<unsigned char>(status[byte]) >> bit & 1);
}

struct TDaisy : emutest::TBench {
  int Seq = 0x21;
  explicit TDaisy(std::vector<std::string> faults = {}, std::int64_t offset = 0)
      : TBench(&emulator::CreateDaisyDevice, kDaisy, std::move(faults), offset) {}
  std::string Ask(int command, const std::string& data = "") { return Send(ClassicRequest(++Seq, command, data)); }
  // A receipt with one sale of 2 x 1.20, paid with 5.00 in cash, not yet closed.
  void SellBread() {
    Ask(0x30, "1,1,");
    Ask(0x31, Ansi("Хляб\nбял\tА1.20*2"));
    Ask(0x35, "\n\tP5");
  }
};

TEST(DaisySession, ReportsNumbersStatusAndClock) {
  TDaisy daisy({}, 300);
  std::string reply = daisy.Ask(0x5A);
  std::vector<std::string> fields = emulator::SplitFields(ClassicReplyData(reply), ',');
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[4], "DY448967");
  EXPECT_EQ(fields[5], "36607003");
  EXPECT_EQ(ClassicReplyStatus(reply), emutest::Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0xB8}));

  // The computer's clock reads 05-03-24 14:07:09; the device runs five minutes ahead.
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x3E)), "05-03-24 14:12:09");
  EXPECT_EQ(ClassicReplyStatus(daisy.Ask(0x3D, "31-12-24 23:59:00")), ClassicReplyStatus(reply));
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x3E)), "31-12-24 23:59:00");
}

TEST(DaisySession, KeepsReceiptStateAndNumbersClosedReceipts) {
  TDaisy daisy;
  EXPECT_TRUE(BitSet(ClassicReplyStatus(daisy.Ask(0x30, "1,1,")), 2, 3));
  EXPECT_TRUE(BitSet(ClassicReplyStatus(daisy.Ask(0x31, Ansi("Хляб\nбял\tА1.20*2"))), 2, 3));
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x35, "\n\tP5")), "R2.60");
  std::string closed = daisy.Ask(0x38);
  EXPECT_FALSE(BitSet(ClassicReplyStatus(closed), 2, 3));
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x71)), "0000001");

  ASSERT_EQ(daisy.Roll.size(), 1u);
  const std::string& paper = daisy.Roll[0];
  for (const char* piece : {"ФУ DY448967", "Хляб", "бял", "2.000 x 1.20", "2.40 А", "ОБЩА СУМА", "В БРОЙ", "5.00",
                            "РЕСТО", "2.60", "Бон № 0000001", "05.03.2024 14:07:09"})
    EXPECT_NE(paper.find(piece), std::string::npos) << piece << "\n" << paper;

  daisy.SellBread();
  daisy.Ask(0x38);
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x71)), "0000002");
}

TEST(DaisySession, ResentFrameIsAnsweredAgainWithoutActingTwice) {
  TDaisy daisy;
  daisy.Ask(0x30, "1,1,");
  const std::string sale = ClassicRequest(0x30, 0x31, Ansi("Хляб\tА1.20"));
  const std::string first = daisy.Send(sale);
  EXPECT_EQ(daisy.Send(sale), first);
  daisy.Seq = 0x30;
  daisy.Ask(0x35, "\tP");
  const std::string close = ClassicRequest(0x40, 0x38);
  const std::string closed = daisy.Send(close);
  EXPECT_EQ(daisy.Send(close), closed);

  ASSERT_EQ(daisy.Roll.size(), 1u);
  EXPECT_EQ(daisy.Roll[0].find("2.40"), std::string::npos) << daisy.Roll[0];
  EXPECT_EQ(daisy.Journal[2], "seq=30 cmd=31 data=D5EBFFE109C0312E3230 dup");
  EXPECT_EQ(daisy.Journal.back(), "seq=40 cmd=38 data= dup");

  // The same sequence byte with another request is a new request.
  EXPECT_TRUE(BitSet(ClassicReplyStatus(daisy.Send(ClassicRequest(0x40, 0x30, "1,1,"))), 2, 3));
  daisy.Send(ClassicRequest(0x40, 0x31, Ansi("Мляко\tБ2")));
  daisy.Seq = 0x41;
  daisy.Ask(0x38);
  EXPECT_EQ(ClassicReplyData(daisy.Ask(0x71)), "0000002");
  ASSERT_EQ(daisy.Roll.size(), 2u);
  EXPECT_NE(daisy.Roll[1].find("Мляко"), std::string::npos);
}

TEST(DaisySession, RefusesWithStatusBits) {
  struct TCase {
    const char* Name;
    std::vector<std::pair<int, std::string>> Before;
    int Command;
    std::string Data;
    int Byte, Bit;
    int ErrorNumber;
  };
  const TCase cases[] = {
      {"sale without a receipt", {}, 0x31, "X\tA1", 1, 1, 0},
      {"second receipt", {{0x30, "1,1,"}}, 0x30, "1,1,", 1, 1, 19},
      {"no such command", {}, 0x99, "", 0, 1, 0},
      {"price is no number", {{0x30, "1,1,"}}, 0x31, "X\tA1.2.3", 0, 0, 0},
      {"clock text", {}, 0x3D, "2024-03-05", 0, 0, 0},
      {"closing an empty receipt", {{0x30, "1,1,"}}, 0x38, "", 1, 1, 0},
      {"cash out of an empty drawer", {}, 0x46, "-10", -1, 0, 0},
  };
  for (const TCase& c : cases) {
    TDaisy daisy;
    for (const auto& [command, data] : c.Before) daisy.Ask(command, data);
    std::string reply = daisy.Ask(c.Command, c.Data);
    std::string status = ClassicReplyStatus(reply);
    if (c.Byte < 0) {
      EXPECT_EQ(ClassicReplyData(reply).substr(0, 2), "F,") << c.Name;
      continue;
    }
    EXPECT_TRUE(BitSet(status, c.Byte, c.Bit)) << c.Name;
    EXPECT_TRUE(BitSet(status, 0, 5)) << c.Name;
    EXPECT_EQ(static_cast<unsigned char>(status[3]) & 0x7F, c.ErrorNumber) << c.Name;
  }
}

TEST(DaisySession, InjectsFaults) {
  const std::string status = ClassicRequest(0x22, 0x5A);
  const std::string clean = TDaisy().Send(status);
  const std::size_t half = clean.size() / 2;
  using Chunks = std::vector<std::pair<int, std::string>>;
  struct TCase {
    const char* Fault;
    Chunks Expected;
  };
  const std::string wrongSeq = emutest::ClassicReply(0x23, 0x5A, ClassicReplyData(clean), ClassicReplyStatus(clean));
  ASSERT_EQ(emutest::ClassicReply(0x22, 0x5A, ClassicReplyData(clean), ClassicReplyStatus(clean)), clean);
  const TCase cases[] = {
      {"0x5A:nak", {{0, "\x15"}}},
      {"drop", {}},
      {"0x5A:silence", {}},
      {"0x5A:echo", {{0, status}}},
      {"wrong-seq", {{0, wrongSeq}}},
      {"0x5A:delay=500", {{500, clean}}},
      {"0x5A:wait=2/50", {{0, "\x16"}, {50, "\x16"}, {50, clean}}},
      {"0x5A:wait-inside=1/40", {{0, clean.substr(0, half)}, {40, "\x16"}, {40, clean.substr(half)}}},
      {"split=30", {{0, clean.substr(0, half)}, {30, clean.substr(half)}}},
      {"0x31:nak", {{0, clean}}},  // another command: untouched
  };
  for (const TCase& c : cases) {
    TDaisy daisy({c.Fault});
    Chunks got;
    for (const emulator::TOutChunk& chunk : daisy.Chunks(status)) got.emplace_back(chunk.DelayMs, chunk.Bytes);
    EXPECT_EQ(got, c.Expected) << c.Fault;
  }

  TDaisy badSum({"bad-checksum"});
  std::string damaged = badSum.Send(status);
  EXPECT_EQ(damaged.substr(0, 12), clean.substr(0, 12));
  EXPECT_NE(damaged, clean);

  TDaisy chosen({"0x5A:status=2.1", "0x5A:data=a,b"});
  std::string reply = chosen.Send(status);
  EXPECT_TRUE(BitSet(ClassicReplyStatus(reply), 2, 1));
  EXPECT_EQ(ClassicReplyData(reply), "a,b");
  EXPECT_EQ(chosen.Journal[0], "seq=22 cmd=5A data= faults=0x5A:status=2.1,0x5A:data=a,b");
}

TEST(DaisySession, RefusedOrLostRequestsLeaveNoTraceButLostRepliesDo) {
  // A refused or lost opening: the resend opens the receipt.
  for (const char* fault : {"0x30:nak*1", "0x30:drop*1", "0x30:echo*1"}) {
    TDaisy daisy({fault});
    const std::string open = ClassicRequest(0x22, 0x30, "1,1,");
    daisy.Send(open);
    EXPECT_TRUE(BitSet(ClassicReplyStatus(daisy.Send(open)), 2, 3)) << fault;
  }
  // A chosen device error refuses without acting.
  TDaisy refused({"0x30:error=12*1"});
  std::string reply = refused.Ask(0x30, "1,1,");
  EXPECT_EQ(static_cast<unsigned char>(ClassicReplyStatus(reply)[3]), 0x8C);
  EXPECT_FALSE(BitSet(ClassicReplyStatus(reply), 2, 3));
  EXPECT_TRUE(BitSet(ClassicReplyStatus(refused.Ask(0x31, "X\tA1")), 1, 1));

  // A lost reply to the closing: the device has printed; the resend gets the answer, not a second receipt.
  TDaisy daisy({"0x38:silence*1"});
  daisy.SellBread();
  const std::string close = ClassicRequest(0x50, 0x38);
  EXPECT_EQ(daisy.Send(close), "");
  EXPECT_EQ(ClassicReplyData(daisy.Send(close)), "1,0000001");
  EXPECT_EQ(daisy.Roll.size(), 1u);
}

TEST(DaisySession, CutsRequestsOutOfTheStream) {
  TDaisy daisy;
  const std::string status = ClassicRequest(0x22, 0x5A);
  // Two requests in one read are both answered, in order.
  std::string both = daisy.Send(status + ClassicRequest(0x23, 0x3E));
  EXPECT_EQ(ClassicReplyData(both.substr(both.find('\x01', 1))), "05-03-24 14:07:09");

  // A leftover half frame from long ago does not swallow the next request.
  daisy.Device->Feed(status.substr(0, 5), 1000);
  EXPECT_EQ(daisy.Device->Feed(status, 2000).size(), 1u);

  // A request with a bad checksum is refused and journaled.
  std::string bad = ClassicRequest(0x24, 0x5A);
  bad[5] = '\x31';
  EXPECT_EQ(daisy.Send(bad), "\x15");
  EXPECT_EQ(daisy.Journal.back(), "rejected frame=" + emulator::HexBytes(bad));
}

TEST(DaisySession, DoesNotActOnItsOwnReplyEchoedBack) {
  // A terminal left in echo mode hands the reply back; it is a well-formed frame, but not a request.
  TDaisy daisy;
  daisy.Ask(0x30, "1,1,");
  const std::string reply = daisy.Ask(0x31, "X\tA1");
  EXPECT_EQ(daisy.Send(reply), "");
  EXPECT_EQ(daisy.Journal.back(), "echo of the last reply ignored");
  daisy.Ask(0x38);
  EXPECT_NE(daisy.Roll.at(0).find("ОБЩА СУМА                           1.00"), std::string::npos) << daisy.Roll[0];
}

TEST(DaisySession, RejectsFaultsTheDeviceCannotShow) {
  for (const char* fault : {"status=6.0", "status=2.8", "error=0", "error=128"}) {
    emulator::TFaultPlan plan;
    plan.Add(emulator::ParseFaultRule(fault));
    emulator::TDeviceSetup setup;
    EXPECT_THROW(emulator::TEmuDevice(emulator::CreateDaisyDevice(setup), plan), emulator::EFaultRuleError) << fault;
  }
}

}  // namespace
