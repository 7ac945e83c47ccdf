#include "emulator/tremol_codec.h"

namespace emulator {

namespace {

constexpr char kStart = 0x02;
constexpr char kAck = 0x06;
constexpr char kEnd = 0x0A;

TScan Skip(std::size_t count) {
  TScan scan;
  scan.Result = TScan::TResult::Skip;
  scan.Consumed = count;
  return scan;
}

int NextSeq(int seq) { return seq >= 0xE8 ? 0x21 : seq + 1; }

}  // namespace

std::string XorChecksum(std::string_view bytes) {
  unsigned char x = 0;
  for (char c : bytes) x ^= static_cast<unsigned char>(c);
  return std::string{static_cast<char>(0x30 + (x >> 4)), static_cast<char>(0x30 + (x & 0x0F))};
}

TScan TTremolCodec::Scan(std::string_view input) const {
  std::size_t start = input.find(kStart);
  if (start == std::string_view::npos) return Skip(input.size());
  if (start > 0) return Skip(start);
  TScan scan;
  if (input.size() < 2) return scan;
  const unsigned length = static_cast<unsigned char>(input[1]);
  if (length < 0x23) return Skip(1);
  const std::size_t total = length - 0x20 + 4;
  if (input.size() < total) return scan;
  std::string_view frame = input.substr(0, total);
  if (frame[total - 1] != kEnd) return Skip(1);
  for (std::size_t i = total - 3; i < total - 1; ++i)
    if (static_cast<unsigned char>(frame[i]) < 0x30 || static_cast<unsigned char>(frame[i]) > 0x3F) return Skip(1);
  scan.Consumed = total;
  if (frame.substr(total - 3, 2) != XorChecksum(frame.substr(1, total - 4))) {
    scan.Result = TScan::TResult::Reject;
    return scan;
  }
  scan.Result = TScan::TResult::Request;
  scan.Request.Seq = static_cast<unsigned char>(frame[2]);
  scan.Request.Command = static_cast<unsigned char>(frame[3]);
  scan.Request.Data = std::string(frame.substr(4, total - 7));
  scan.Request.Frame = std::string(frame);
  return scan;
}

std::string TTremolCodec::BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const {
  const char seq = static_cast<char>(damage.WrongSeq ? NextSeq(request.Seq) : request.Seq);
  std::string body;
  std::string out;
  if (reply.Kind == TReply::TKind::Ack) {
    body = std::string(1, seq) + reply.Status;
    out = kAck + body;
  } else {
    body += static_cast<char>(0x20 + 3 + reply.Data.size());
    body += seq;
    body += static_cast<char>(request.Command);
    body += reply.Data;
    out = kStart + body;
  }
  std::string sum = XorChecksum(body);
  if (damage.BadChecksum) sum[1] = static_cast<char>(sum[1] ^ 1);
  return out + sum + kEnd;
}

}  // namespace emulator
