#include "emulator/framed_codec.h"

namespace emulator {

namespace {

constexpr char kStart = 0x01;
constexpr char kDataEnd = 0x04;
constexpr char kSumStart = 0x05;
constexpr char kEnd = 0x03;
constexpr std::size_t kMinRequest = 10;

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

}  // namespace

std::string NibbleField(unsigned value) {
  std::string out(4, '0');
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(0x30 + ((value >> (12 - 4 * i)) & 0xF));
  return out;
}

bool ReadNibbleField(std::string_view four, unsigned& value) {
  if (four.size() != 4) return false;
  value = 0;
  for (char c : four) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x30 || u > 0x3F) return false;
    value = value * 16 + (u - 0x30);
  }
  return true;
}

unsigned ByteSum(std::string_view bytes) {
  unsigned sum = 0;
  for (char c : bytes) sum = (sum + static_cast<unsigned char>(c)) & 0xFFFF;
  return sum;
}

TScan TFramedCodec::Scan(std::string_view input) const {
  TScan scan;
  std::size_t start = input.find(kStart);
  if (start == std::string_view::npos) {
    scan.Result = TScan::TResult::Skip;
    scan.Consumed = input.size();
    return scan;
  }
  if (start > 0) {
    scan.Result = TScan::TResult::Skip;
    scan.Consumed = start;
    return scan;
  }
  if (input.size() < 2) return scan;
  const unsigned length = At(input, 1);
  // A length below an empty request's cannot start a request: resynchronise on the next 01.
  if (length < 0x24) {
    scan.Result = TScan::TResult::Skip;
    scan.Consumed = 1;
    return scan;
  }
  const std::size_t total = length - 0x20 + 6;
  if (input.size() < total) return scan;
  std::string_view frame = input.substr(0, total);
  if (frame[total - 6] != kSumStart || frame[total - 1] != kEnd || total < kMinRequest) {
    scan.Result = TScan::TResult::Skip;
    scan.Consumed = 1;
    return scan;
  }
  unsigned sent = 0;
  if (!ReadNibbleField(frame.substr(total - 5, 4), sent)) {
    scan.Result = TScan::TResult::Skip;
    scan.Consumed = 1;
    return scan;
  }
  scan.Consumed = total;
  if (sent != ByteSum(frame.substr(1, total - 6))) {
    scan.Result = TScan::TResult::Reject;
    return scan;
  }
  scan.Result = TScan::TResult::Request;
  scan.Request.Seq = At(frame, 2);
  scan.Request.Command = At(frame, 3);
  scan.Request.Data = std::string(frame.substr(4, total - 10));
  scan.Request.Frame = std::string(frame);
  return scan;
}

std::string TFramedCodec::BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const {
  std::string out;
  out += kStart;
  out += static_cast<char>(0x20 + 11 + reply.Data.size());
  out += static_cast<char>(damage.WrongSeq ? (request.Seq >= 0xE8 ? 0x21 : request.Seq + 1) : request.Seq);
  out += static_cast<char>(request.Command);
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
