#pragma once
// The widened frame of Datecs family C: length and command are four characters each (nibble + 0x30,
// most significant first) and a reply carries eight status bytes.
//   request: 01 L L L L SEQ C C C C data.. 05 S S S S 03            L = 0x20 + 10 + n
//   reply:   01 L L L L SEQ C C C C data.. 04 S0..S7 05 S S S S 03  L = 0x20 + 19 + n
#include "emulator/wire.h"

namespace emulator {

class TWideCodec : public IWireCodec {
public:
  TScan Scan(std::string_view input) const override;
  std::string BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const override;
  char WaitByte() const override { return 0x16; }
  char RefusalByte() const override { return 0x15; }
};

}  // namespace emulator
