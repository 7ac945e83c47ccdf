#pragma once
// The device side of the three frame layouts, written here from the wire description and not taken
// from the drivers (a mistake shared by both sides would pass unseen):
//   classic   01 LEN SEQ CMD data 04 S0..S5 05 CS*4 03        LEN = 0x20 + 11 + n
//   wide      01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03    LEN = 0x20 + 19 + n, fields as nibbles + 0x30
//   Tremol    06 SEQ A B CS CS 0A   and   02 LEN SEQ CMD data CS CS 0A
#include <array>
#include <cstdint>
#include <vector>

namespace fuzz {

using Frame = std::vector<std::uint8_t>;

// A 16-bit value as four bytes 0x30 + nibble, most significant first.
inline std::array<std::uint8_t, 4> NibbleField(unsigned value) {
  return {static_cast<std::uint8_t>(0x30 + ((value >> 12) & 0xF)), static_cast<std::uint8_t>(0x30 + ((value >> 8) & 0xF)),
          static_cast<std::uint8_t>(0x30 + ((value >> 4) & 0xF)), static_cast<std::uint8_t>(0x30 + (value & 0xF))};
}

// The modulo-65536 sum of the bytes from..to (inclusive) as a nibble field.
inline std::array<std::uint8_t, 4> SumChecksum(const Frame& f, std::size_t from, std::size_t to) {
  unsigned sum = 0;
  for (std::size_t i = from; i <= to; ++i) sum = (sum + f[i]) & 0xFFFF;
  return NibbleField(sum);
}

inline void AppendChecksumAndEnd(Frame& f) {
  const auto cs = SumChecksum(f, 1, f.size() - 1);
  f.insert(f.end(), cs.begin(), cs.end());
  f.push_back(0x03);
}

inline Frame ClassicReply(std::uint8_t seqByte, std::uint8_t command, const Frame& data, const Frame& status6) {
  Frame f{0x01, 0x00, seqByte, command};
  f.insert(f.end(), data.begin(), data.end());
  f.push_back(0x04);
  f.insert(f.end(), status6.begin(), status6.end());
  f.push_back(0x05);
  f[1] = static_cast<std::uint8_t>(0x20 + f.size() - 1);
  AppendChecksumAndEnd(f);
  return f;
}

inline Frame WideReply(std::uint8_t seqByte, const std::uint8_t* command4, const Frame& data, const Frame& status8) {
  Frame f{0x01, 0, 0, 0, 0, seqByte};
  f.insert(f.end(), command4, command4 + 4);
  f.insert(f.end(), data.begin(), data.end());
  f.push_back(0x04);
  f.insert(f.end(), status8.begin(), status8.end());
  f.push_back(0x05);
  const auto length = NibbleField(0x20 + static_cast<unsigned>(f.size()) - 1);
  for (int i = 0; i < 4; ++i) f[1 + i] = length[i];
  AppendChecksumAndEnd(f);
  return f;
}

inline std::array<std::uint8_t, 2> XorChecksum(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t x = 0;
  for (std::size_t i = 0; i < count; ++i) x ^= bytes[i];
  return {static_cast<std::uint8_t>(0x30 + (x >> 4)), static_cast<std::uint8_t>(0x30 + (x & 0x0F))};
}

inline Frame TremolAck(std::uint8_t seqByte, std::uint8_t a, std::uint8_t b) {
  Frame f{0x06, seqByte, a, b};
  const auto cs = XorChecksum(f.data() + 1, 3);
  f.insert(f.end(), {cs[0], cs[1], 0x0A});
  return f;
}

inline Frame TremolData(std::uint8_t seqByte, std::uint8_t command, const Frame& data) {
  Frame f{0x02, static_cast<std::uint8_t>(0x20 + 3 + data.size()), seqByte, command};
  f.insert(f.end(), data.begin(), data.end());
  const auto cs = XorChecksum(f.data() + 1, f.size() - 1);
  f.insert(f.end(), {cs[0], cs[1], 0x0A});
  return f;
}

}  // namespace fuzz
