// Tremol: own frames, acknowledgements with status characters, the receipt-number reply.
#include <gtest/gtest.h>

#include "emu_test_util.h"
#include "emulator/framed_device.h"
#include "emulator/tremol_device.h"
#include "platform/code_page.h"

namespace {

using emutest::Bytes;

std::string XorSum(const std::string& bytes) {
  unsigned char x = 0;
  for (char c : bytes) x ^= static_cast<unsigned char>(c);
  return {static_cast<char>(0x30 + (x >> 4)), static_cast<char>(0x30 + (x & 0xF))};
}

// 02 LEN SEQ CMD data C C 0A: requests and data replies alike.
std::string TremolFrame(int seq, int command, const std::string& data = "") {
  std::string body = std::string(1, static_cast<char>(0x20 + 3 + data.size())) + static_cast<char>(seq) +
                     static_cast<char>(command) + data;
  return "\x02" + body + XorSum(body) + "\x0A";
}

// 06 SEQ A B C C 0A
std::string TremolAck(int seq, const std::string& status) {
  std::string body = std::string(1, static_cast<char>(seq)) + status;
  return "\x06" + body + XorSum(body) + "\x0A";
}

struct TTremol : emutest::TBench {
  int Seq = 0x21;
  explicit TTremol(std::vector<std::string> faults = {})
      : TBench(&emulator::CreateTremolDevice, {"FP01-KL", "ZK133759", "50163145"}, std::move(faults)) {}
  std::string Ask(int command, const std::string& data = "") { return Send(TremolFrame(++Seq, command, data)); }
  // True when the device acknowledges with "0" "0".
  bool AskOk(int command, const std::string& data = "") {
    std::string reply = Ask(command, data);
    return reply == TremolAck(Seq, "00");
  }
};

TEST(Tremol, AnswersTheStatusRequestAndIgnoresFramedProbes) {
  const std::string probe = Bytes({0x02, 0x23, 0x22, 0x60, 0x36, 0x31, 0x0A});
  EXPECT_EQ(TremolFrame(0x22, 0x60), probe);
  TTremol device;
  EXPECT_EQ(device.Send(emutest::ClassicRequest(0x22, 0x5A)), "");
  EXPECT_EQ(device.Send(probe), TremolFrame(0x22, 0x60, "ZK133759;50163145"));
  device.Seq = 0x22;
  EXPECT_EQ(device.Ask(0x68), TremolFrame(0x23, 0x68, "05-03-2024 14:07:09"));
}

TEST(Tremol, KeepsAReceiptAndReportsItsNumberBeforeClosing) {
  TTremol device;
  EXPECT_TRUE(device.AskOk(0x30, "1;1     ;1;1;0$ZK133759-0001-0000001"));
  const std::string name = platform::Utf8ToAnsi("Хляб") + std::string(32, ' ');  // 36 characters
  EXPECT_TRUE(device.AskOk(0x31, name + ";" + platform::Utf8ToAnsi("А") + ";1.2*2,0:0"));
  EXPECT_TRUE(device.AskOk(0x37, "Text"));
  EXPECT_TRUE(device.AskOk(0x35, "0;0;5"));
  std::string info = device.Ask(0x72);
  std::vector<std::string> fields = emulator::SplitFields(info.substr(4, info.size() - 7), ';');
  ASSERT_EQ(fields.size(), 21u);
  EXPECT_EQ(fields[19], "0000001");
  for (const std::string& field : fields) EXPECT_FALSE(field.empty());
  EXPECT_TRUE(device.AskOk(0x38));
  ASSERT_EQ(device.Roll.size(), 1u);
  for (const char* piece : {"УНП ZK133759-0001-0000001", "Хляб\n", "2.000 x 1.20                    2.40 А", "Text",
                            "РЕСТО                               2.60", "Бон № 0000001"})
    EXPECT_NE(device.Roll[0].find(piece), std::string::npos) << piece << "\n" << device.Roll[0];

  EXPECT_TRUE(device.AskOk(0x30, "1;1     ;0;1;@;1;000001;05-03-24 14:07;50163145;U2"));
  EXPECT_TRUE(device.AskOk(0x39));
  EXPECT_NE(device.Roll.back().find("АНУЛИРАН"), std::string::npos);
}

TEST(Tremol, RefusesWithStatusCharacters) {
  struct TCase {
    const char* Name;
    std::vector<std::pair<int, std::string>> Before;
    int Command;
    std::string Data;
    const char* Status;
  };
  const TCase cases[] = {
      {"second receipt", {{0x30, "1;1     ;1;1;0"}}, 0x30, "1;1     ;1;1;0", "42"},
      {"sale without a receipt", {}, 0x31, "X;A;1*1,0:0", "02"},
      {"no such command", {}, 0x20, "", "01"},
      {"price is no number", {{0x30, "1;1     ;1;1;0"}}, 0x31, "X;A;x*1,0:0", "44"},
      {"paid in full, not closed", {{0x30, "1;1     ;1;1;0"}, {0x31, "X;A;1*1,0:0"}, {0x35, "0;0;"}}, 0x31,
       "Y;A;1*1,0:0", "72"},
  };
  for (const TCase& c : cases) {
    TTremol device;
    for (const auto& [command, data] : c.Before) device.Ask(command, data);
    std::string reply = device.Ask(c.Command, c.Data);
    EXPECT_EQ(reply, TremolAck(device.Seq, c.Status)) << c.Name;
  }
}

TEST(Tremol, InjectsFaultsAndRepeatsTheLastAnswer) {
  const std::string probe = TremolFrame(0x22, 0x60);
  const std::string clean = TremolFrame(0x22, 0x60, "ZK133759;50163145");
  using Chunks = std::vector<std::pair<int, std::string>>;
  const std::pair<const char*, Chunks> cases[] = {
      {"0x60:wait=2/50", {{0, "\x0E"}, {50, "\x0E"}, {50, clean}}},
      {"0x60:nak", {{0, "\x15"}}},
      {"status=40", {{0, TremolAck(0x22, "40")}}},
      {"wrong-seq", {{0, TremolFrame(0x23, 0x60, "ZK133759;50163145")}}},
      {"split=30", {{0, clean.substr(0, clean.size() / 2)}, {30, clean.substr(clean.size() / 2)}}},
  };
  for (const auto& [fault, expected] : cases) {
    TTremol device({fault});
    Chunks got;
    for (const emulator::TOutChunk& chunk : device.Chunks(probe)) got.emplace_back(chunk.DelayMs, chunk.Bytes);
    EXPECT_EQ(got, expected) << fault;
  }
  std::string damaged = TTremol({"bad-checksum"}).Send(probe);
  EXPECT_EQ(damaged.substr(0, damaged.size() - 3), clean.substr(0, clean.size() - 3));
  EXPECT_NE(damaged, clean);

  // A lost acknowledgement of the closing: the resend gets it again, the receipt prints once.
  TTremol device({"0x38:silence*1"});
  device.Ask(0x30, "1;1     ;1;1;0");
  device.Ask(0x31, "X;A;1*1,0:0");
  const std::string close = TremolFrame(0x40, 0x38);
  EXPECT_EQ(device.Send(close), "");
  EXPECT_EQ(device.Send(close), TremolAck(0x40, "00"));
  EXPECT_EQ(device.Roll.size(), 1u);
  EXPECT_EQ(device.Journal.back(), "seq=40 cmd=38 data= dup");

  for (const char* bad : {"status=4", "error=3"}) {
    emulator::TFaultPlan plan;
    plan.Add(emulator::ParseFaultRule(bad));
    emulator::TDeviceSetup setup;
    EXPECT_THROW(emulator::TEmuDevice(emulator::CreateTremolDevice(setup), plan), emulator::EFaultRuleError) << bad;
  }
}

}  // namespace
