#pragma once
// The classic frame shared by the Daisy, Datecs A/B and Eltrade devices.
//   request: 01 LEN SEQ CMD data.. 05 C C C C 03          LEN = 0x20 + 4 + n
//   reply:   01 LEN SEQ CMD data.. 04 S0..S5 05 C C C C 03 LEN = 0x20 + 11 + n
// The checksum is the 16-bit sum of the bytes from LEN through 05, sent as four nibbles + 0x30.
#include "emulator/wire.h"

namespace emulator {

class TFramedCodec : public IWireCodec {
public:
  TScan Scan(std::string_view input) const override;
  std::string BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const override;
  char WaitByte() const override { return 0x16; }
  char RefusalByte() const override { return 0x15; }
};

// Four characters 0x30 + nibble, most significant first.
std::string NibbleField(unsigned value);
// The inverse; nothing when a character lies outside 0x30..0x3F.
bool ReadNibbleField(std::string_view four, unsigned& value);
// 16-bit sum of the bytes.
unsigned ByteSum(std::string_view bytes);

}  // namespace emulator
