#include "emulator/wide_codec.h"

#include "emulator/framed_codec.h"

namespace emulator {

namespace {

constexpr char kStart = 0x01;
constexpr char kDataEnd = 0x04;
constexpr char kSumStart = 0x05;
constexpr char kEnd = 0x03;
constexpr unsigned kEmptyLength = 0x20 + 10;
// Requests of the family fit a 256-byte buffer; anything claiming much more is noise.
constexpr unsigned kMaxLength = 0x20 + 10 + 1024;

TScan Skip(std::size_t count) {
  TScan scan;
  scan.Result = TScan::TResult::Skip;
  scan.Consumed = count;
  return scan;
}

}  // namespace

TScan TWideCodec::Scan(std::string_view input) const {
  std::size_t start = input.find(kStart);
  if (start == std::string_view::npos) return Skip(input.size());
  if (start > 0) return Skip(start);
  TScan scan;
  if (input.size() < 5) return scan;
  unsigned length = 0;
  if (!ReadNibbleField(input.substr(1, 4), length) || length < kEmptyLength || length > kMaxLength) return Skip(1);
  const std::size_t total = length - 0x20 + 6;
  if (input.size() < total) return scan;
  std::string_view frame = input.substr(0, total);
  unsigned command = 0, sent = 0;
  if (frame[total - 6] != kSumStart || frame[total - 1] != kEnd || !ReadNibbleField(frame.substr(6, 4), command) ||
      !ReadNibbleField(frame.substr(total - 5, 4), sent))
    return Skip(1);
  scan.Consumed = total;
  if (sent != ByteSum(frame.substr(1, total - 6))) {
    scan.Result = TScan::TResult::Reject;
    return scan;
  }
  scan.Result = TScan::TResult::Request;
  scan.Request.Seq = static_cast<unsigned char>(frame[5]);
  scan.Request.Command = static_cast<int>(command);
  scan.Request.Data = std::string(frame.substr(10, total - 16));
  scan.Request.Frame = std::string(frame);
  return scan;
}

std::string TWideCodec::BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const {
  std::string out;
  out += kStart;
  out += NibbleField(static_cast<unsigned>(0x20 + 19 + reply.Data.size()));
  out += static_cast<char>(damage.WrongSeq ? (request.Seq >= 0xE8 ? 0x21 : request.Seq + 1) : request.Seq);
  out += NibbleField(static_cast<unsigned>(request.Command));
  out += reply.Data;
  out += kDataEnd;
  out += reply.Status;
  out += kSumStart;
  unsigned sum = ByteSum(std::string_view(out).substr(1));
  if (damage.BadChecksum) sum = (sum + 1) & 0xFFFF;
  out += NibbleField(sum);
  out += kEnd;
  return out;
}

}  // namespace emulator
