#include "emulator/framed_codec.h"

#include <gtest/gtest.h>

#include "emu_test_util.h"

namespace {

using emulator::TFramedCodec;
using emulator::TScan;
using emutest::Bytes;

TEST(FramedCodec, ReadsKnownRequests) {
  TFramedCodec codec;
  // status request, sequence 2, no data
  TScan scan = codec.Scan(Bytes({0x01, 0x24, 0x22, 0x5A, 0x05, 0x30, 0x30, 0x3A, 0x35, 0x03}));
  ASSERT_EQ(scan.Result, TScan::TResult::Request);
  EXPECT_EQ(scan.Consumed, 10u);
  EXPECT_EQ(scan.Request.Seq, 0x22);
  EXPECT_EQ(scan.Request.Command, 0x5A);
  EXPECT_EQ(scan.Request.Data, "");
  // report request, sequence 3, data "0"
  scan = codec.Scan(Bytes({0x01, 0x25, 0x23, 0x45, 0x30, 0x05, 0x30, 0x30, 0x3C, 0x32, 0x03}));
  ASSERT_EQ(scan.Result, TScan::TResult::Request);
  EXPECT_EQ(scan.Request.Command, 0x45);
  EXPECT_EQ(scan.Request.Data, "0");
  // The test helper builds the same bytes.
  EXPECT_EQ(emutest::ClassicRequest(0x23, 0x45, "0"), scan.Request.Frame);
}

TEST(FramedCodec, BuildsKnownReply) {
  TFramedCodec codec;
  emulator::TRequest request;
  request.Seq = 0x23;
  request.Command = 0x45;
  emulator::TReply reply;
  reply.Status = std::string(6, '\x80');
  EXPECT_EQ(codec.BuildReply(request, reply, {}),
            Bytes({0x01, 0x2B, 0x23, 0x45, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05, 0x30, 0x33, 0x39, 0x3C, 0x03}));

  emulator::TWireDamage wrongSeq;
  wrongSeq.WrongSeq = true;
  EXPECT_EQ(codec.BuildReply(request, reply, wrongSeq)[2], '\x24');
  request.Seq = 0xE8;  // the sequence byte wraps to 0x21
  EXPECT_EQ(codec.BuildReply(request, reply, wrongSeq)[2], '\x21');

  request.Seq = 0x23;
  emulator::TWireDamage badSum;
  badSum.BadChecksum = true;
  std::string good = codec.BuildReply(request, reply, {});
  std::string bad = codec.BuildReply(request, reply, badSum);
  EXPECT_EQ(bad.substr(0, 12), good.substr(0, 12));
  EXPECT_NE(bad.substr(12, 4), good.substr(12, 4));
}

TEST(FramedCodec, CutsTheStream) {
  TFramedCodec codec;
  const std::string request = emutest::ClassicRequest(0x22, 0x5A);
  struct TCase {
    const char* Name;
    std::string Input;
    TScan::TResult Result;
    std::size_t Consumed;
  };
  std::string badSum = request;
  badSum[7] ^= 1;
  const TCase cases[] = {
      {"noise before a frame", "\x16\xFF" + request, TScan::TResult::Skip, 2},
      {"half a frame", request.substr(0, 6), TScan::TResult::NeedMore, 0},
      {"bad checksum", badSum, TScan::TResult::Reject, request.size()},
      {"length below an empty request", Bytes({0x01, 0x23, 0x22}), TScan::TResult::Skip, 1},
      // A wide-frame status request of another family: its first bytes read as a long length,
      // and once complete its 05 and 03 are not where this frame wants them.
      {"wide frame",
       Bytes({0x01, 0x30, 0x30, 0x32, 0x3A, 0x22, 0x30, 0x30, 0x35, 0x3A, 0x05, 0x30, 0x31, 0x3C, 0x32, 0x03}) +
           std::string(6, '\x00'),
       TScan::TResult::Skip, 1},
      {"Tremol status request", Bytes({0x02, 0x23, 0x22, 0x60, 0x36, 0x31, 0x0A}), TScan::TResult::Skip, 7},
  };
  for (const TCase& c : cases) {
    TScan scan = codec.Scan(c.Input);
    EXPECT_EQ(scan.Result, c.Result) << c.Name;
    EXPECT_EQ(scan.Consumed, c.Consumed) << c.Name;
  }
}

}  // namespace
