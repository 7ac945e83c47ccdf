#include "bench/bench_device.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/code_page.h"

namespace bench {

namespace {

void PutFourDigits(TBytes& out, std::uint16_t value) {
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(static_cast<std::uint8_t>(0x30 + ((value >> shift) & 0x0F)));
}

// Sum of out[from..] modulo 0x10000, as four digits.
void PutSumChecksum(TBytes& out, std::size_t from) {
  std::uint16_t sum = 0;
  for (std::size_t i = from; i < out.size(); ++i) sum = static_cast<std::uint16_t>(sum + out[i]);
  PutFourDigits(out, sum);
}

void PutXorChecksum(TBytes& out, std::size_t from) {
  std::uint8_t x = 0;
  for (std::size_t i = from; i < out.size(); ++i) x ^= out[i];
  out.push_back(static_cast<std::uint8_t>(0x30 + (x >> 4)));
  out.push_back(static_cast<std::uint8_t>(0x30 + (x & 0x0F)));
}

void PutText(TBytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

TBytes FramedReply(std::uint8_t seq, std::uint8_t cmd, const std::string& ansiData, const TBytes& status) {
  TBytes out{0x01, static_cast<std::uint8_t>(0x20 + 11 + ansiData.size()), seq, cmd};
  PutText(out, ansiData);
  out.push_back(0x04);
  out.insert(out.end(), status.begin(), status.end());
  out.push_back(0x05);
  PutSumChecksum(out, 1);
  out.push_back(0x03);
  return out;
}

TBytes DatecsCReply(std::uint8_t seq, std::uint16_t cmd, const std::string& ansiData, const TBytes& status) {
  TBytes out{0x01};
  PutFourDigits(out, static_cast<std::uint16_t>(0x20 + 19 + ansiData.size()));
  out.push_back(seq);
  PutFourDigits(out, cmd);
  PutText(out, ansiData);
  out.push_back(0x04);
  out.insert(out.end(), status.begin(), status.end());
  out.push_back(0x05);
  PutSumChecksum(out, 1);
  out.push_back(0x03);
  return out;
}

TBytes TremolDataReply(std::uint8_t seq, std::uint8_t cmd, const std::string& ansiData) {
  TBytes out{0x02, static_cast<std::uint8_t>(0x20 + 3 + ansiData.size()), seq, cmd};
  PutText(out, ansiData);
  PutXorChecksum(out, 1);
  out.push_back(0x0A);
  return out;
}

TBytes TremolAck(std::uint8_t seq, char state, char outcome) {
  TBytes out{0x06, seq, static_cast<std::uint8_t>(state), static_cast<std::uint8_t>(outcome)};
  PutXorChecksum(out, 1);
  out.push_back(0x0A);
  return out;
}

TBytes DaisyAnswer(const TBytes& request) {
  // Status of a fiscalised device: serial and fiscal-memory numbers, tax rates, in service.
  static const TBytes kStatus{0x80, 0x80, 0x80, 0x80, 0x80, 0xB8};
  if (request.size() < 10 || request[0] != 0x01) return {0x15};
  const std::uint8_t seq = request[2], cmd = request[3];
  std::string data;
  if (cmd == 0x5A) data = "CompactM 02.01 15Mar23 1200,3F8A,00000000,BG,DY448967,36607003";
  if (cmd == 0x3E) data = "05-03-24 14:07:09";
  if (cmd == 0x71) data = "1234";
  return FramedReply(seq, cmd, data, kStatus);
}

TBytes TremolAnswer(const TBytes& request) {
  if (request.size() < 7 || request[0] != 0x02) return {0x15};
  const std::uint8_t seq = request[2], cmd = request[3];
  if (cmd == 0x60) return TremolDataReply(seq, cmd, "ZK123456;50123456");
  if (cmd == 0x68) return TremolDataReply(seq, cmd, "05-03-2024 14:07:09");
  if (cmd == 0x72) return TremolDataReply(seq, cmd, "0001234;0000567");
  return TremolAck(seq, '0', '0');
}

void TInstantPort::Write(const std::uint8_t* data, std::size_t count) {
  TBytes answer = mAnswer(TBytes(data, data + count));
  mPending.insert(mPending.end(), answer.begin(), answer.end());
}

std::size_t TInstantPort::Read(std::uint8_t* buffer, std::size_t count) {
  const std::size_t n = std::min(count, mPending.size());
  std::copy_n(mPending.begin(), n, buffer);
  mPending.erase(mPending.begin(), mPending.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

std::string TwentyLineReceipt() {
  std::ifstream in(RUVEX_BENCH_RECEIPT, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " RUVEX_BENCH_RECEIPT);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace bench
