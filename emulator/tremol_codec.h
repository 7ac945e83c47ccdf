#pragma once
// Tremol's own frames. The checksum is the exclusive-or of the covered bytes, sent as two
// characters 0x30 + nibble, high nibble first.
//   request:         02 LEN SEQ CMD data.. C C 0A    LEN = 0x20 + 3 + n, checksum over LEN..data
//   data reply:      02 LEN SEQ CMD data.. C C 0A    the same layout
//   acknowledgement: 06 SEQ A B C C 0A               A, B: status characters; checksum over SEQ A B
#include "emulator/wire.h"

namespace emulator {

class TTremolCodec : public IWireCodec {
public:
  TScan Scan(std::string_view input) const override;
  std::string BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const override;
  char WaitByte() const override { return 0x0E; }
  char RefusalByte() const override { return 0x15; }
};

// Two characters 0x30 + nibble of the exclusive-or of the bytes.
std::string XorChecksum(std::string_view bytes);

}  // namespace emulator
