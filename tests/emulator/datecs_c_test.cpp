// Datecs family C: the wide frame, TAB fields, error codes as reply data.
#include <gtest/gtest.h>

#include "emu_test_util.h"
#include "emulator/datecs_c_device.h"
#include "emulator/wide_codec.h"
#include "platform/code_page.h"

namespace {

using emutest::Bytes;

std::string Nibbles(unsigned value) {
  std::string out;
  for (int shift = 12; shift >= 0; shift -= 4) out += static_cast<char>(0x30 + ((value >> shift) & 0xF));
  return out;
}

// 01 LEN(4) SEQ CMD(4) data [04 status(8)] 05 checksum(4) 03, built the plain way.
std::string WideFrame(int seq, int command, const std::string& data, const std::string& status = "") {
  const std::string tail = status.empty() ? "" : "\x04" + status;
  std::string body = Nibbles(static_cast<unsigned>(0x20 + 10 + data.size() + tail.size())) + static_cast<char>(seq) +
                     Nibbles(static_cast<unsigned>(command)) + data + tail + "\x05";
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  return "\x01" + body + Nibbles(sum & 0xFFFF) + "\x03";
}

// Reply data and status bytes (8) of a wide reply.
std::string ReplyData(const std::string& frame) {
  return frame.size() < 25 ? "" : frame.substr(10, frame.size() - 25);
}
std::string ReplyStatus(const std::string& frame) { return frame.size() < 25 ? "" : frame.substr(frame.size() - 14, 8); }
bool BitSet(const std::string& frame, int byte, int bit) {
  std::string status = ReplyStatus(frame);
  return status.size() == 8 && (static_cast<unsigned char>(status[byte]) >> bit & 1);
}

struct TDatecsC : emutest::TBench {
  int Seq = 0x21;
  explicit TDatecsC(std::vector<std::string> faults = {})
      : TBench(&emulator::CreateDatecsCDevice, {"FP-700MX", "DT279013", "02279013"}, std::move(faults)) {}
  std::string Ask(int command, const std::string& data = "") { return Send(WideFrame(++Seq, command, data)); }
};

TEST(DatecsC, ReadsKnownRequestsAndIgnoresOtherProtocols) {
  emulator::TWideCodec codec;
  const std::string status = Bytes({0x01, 0x30, 0x30, 0x32, 0x3A, 0x22, 0x30, 0x30, 0x35, 0x3A, 0x05, 0x30, 0x31,
                                    0x3C, 0x32, 0x03});
  EXPECT_EQ(WideFrame(0x22, 0x5A, ""), status);
  emulator::TScan scan = codec.Scan(status);
  ASSERT_EQ(scan.Result, emulator::TScan::TResult::Request);
  EXPECT_EQ(scan.Request.Command, 0x5A);
  scan = codec.Scan(Bytes({0x01, 0x30, 0x30, 0x32, 0x3C, 0x23, 0x30, 0x30, 0x34, 0x35, 0x58, 0x09, 0x05, 0x30, 0x32,
                           0x32, 0x30, 0x03}));
  ASSERT_EQ(scan.Result, emulator::TScan::TResult::Request);
  EXPECT_EQ(scan.Request.Seq, 0x23);
  EXPECT_EQ(scan.Request.Data, "X\t");

  // The classic status probe of the other families is no request here, and gets no answer.
  TDatecsC device;
  EXPECT_EQ(device.Send(emutest::ClassicRequest(0x22, 0x5A)), "");
  EXPECT_EQ(device.Send(Bytes({0x02, 0x23, 0x22, 0x60, 0x36, 0x31, 0x0A})), "");
  const std::string reply = device.Send(status);
  EXPECT_EQ(reply, WideFrame(0x22, 0x5A, "FP-700MX,1.00BG 08Jul20 1200,C7AF,00,DT279013,02279013", ReplyStatus(reply)));
  EXPECT_EQ(ReplyStatus(reply), Bytes({0x80, 0x80, 0x80, 0x80, 0x86, 0x98, 0x80, 0x80}));
}

TEST(DatecsC, KeepsAReceiptInTabFields) {
  TDatecsC device;
  EXPECT_EQ(ReplyData(device.Ask(0x3E)), "0\t05-03-24 14:07:09\t");
  std::string opened = device.Ask(0x30, "1\t0\t1\t\t");
  EXPECT_EQ(ReplyData(opened), "0\t0000001\t");
  EXPECT_TRUE(BitSet(opened, 2, 3));
  EXPECT_EQ(ReplyData(device.Ask(0x31, platform::Utf8ToAnsi("Хляб\t1\t1.2\t2\t0\t\t0\t"))), "0\t");
  EXPECT_EQ(ReplyData(device.Ask(0x36, "Text\t")), "0\t");
  EXPECT_EQ(ReplyData(device.Ask(0x35, "0\t5\t")), "0\tR\t2.60\t");
  std::string closed = device.Ask(0x38);
  EXPECT_EQ(ReplyData(closed), "0\t0000001\t");
  EXPECT_FALSE(BitSet(closed, 2, 3));
  ASSERT_EQ(device.Roll.size(), 1u);
  EXPECT_NE(device.Roll[0].find("2.000 x 1.20                    2.40 А"), std::string::npos) << device.Roll[0];

  // 5.00 paid, 2.60 given back: 2.40 in the drawer.
  EXPECT_EQ(ReplyData(device.Ask(0x46, "1\t2.4\t")), "0\t0.00\t0.00\t2.40\t");
  EXPECT_EQ(ReplyData(device.Ask(0x3D, "30-06-24 12:00:00 DST\t")), "0\t");
  EXPECT_EQ(ReplyData(device.Ask(0x3E)), "0\t30-06-24 12:00:00\t");

  device.Ask(0x2B, "1\t0\tU7\t1\t1\t0000001\t050320241407\t02279013\t");
  device.Ask(0x31, "X\t2\t1\t\t0\t\t0\t");
  device.Ask(0x38);
  EXPECT_NE(device.Roll.back().find("СТОРНО БОН"), std::string::npos);
  EXPECT_NE(device.Roll.back().find("1.00 Б"), std::string::npos) << device.Roll.back();
}

TEST(DatecsC, RefusesWithNegativeErrorCodes) {
  struct TCase {
    const char* Name;
    std::vector<std::pair<int, std::string>> Before;
    int Command;
    std::string Data;
    const char* Code;
    int Byte, Bit;
  };
  const TCase cases[] = {
      {"second receipt", {{0x30, "1\t0\t1\t\t"}}, 0x30, "1\t0\t1\t\t", "-111047", 1, 1},
      {"sale without a receipt", {}, 0x31, "X\t1\t1\t1\t0\t\t0\t", "-111016", 1, 1},
      {"no such VAT group", {{0x30, "1\t0\t1\t\t"}}, 0x31, "X\t9\t1\t1\t0\t\t0\t", "-111002", 0, 0},
      {"cash out of an empty drawer", {}, 0x46, "1\t10\t", "-111017", 1, 1},
      {"no such command", {}, 0x71, "", "-111003", 0, 1},
  };
  for (const TCase& c : cases) {
    TDatecsC device;
    for (const auto& [command, data] : c.Before) device.Ask(command, data);
    std::string reply = device.Ask(c.Command, c.Data);
    EXPECT_EQ(ReplyData(reply), c.Code) << c.Name;
    EXPECT_TRUE(BitSet(reply, c.Byte, c.Bit)) << c.Name;
  }

  // A chosen error code, on request, without acting.
  TDatecsC chosen({"0x30:error=101007*1"});
  std::string reply = chosen.Ask(0x30, "1\t0\t1\t\t");
  EXPECT_EQ(ReplyData(reply), "-101007");
  EXPECT_TRUE(BitSet(reply, 1, 1));
  EXPECT_FALSE(BitSet(reply, 2, 3));
  EXPECT_TRUE(BitSet(chosen.Ask(0x30, "1\t0\t1\t\t"), 2, 3));
}

}  // namespace
