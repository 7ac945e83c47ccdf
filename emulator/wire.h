#pragma once
// The device side of a wire protocol: cutting requests out of the received byte stream and framing
// replies. One codec per frame layout; the families that share a layout share its codec.
#include <cstddef>
#include <string>
#include <string_view>

namespace emulator {

// One request as the device understood it. Bytes are kept as received (Windows-1251 text).
struct TRequest {
  int Seq = 0;  // the sequence byte itself (0x21 ...)
  int Command = 0;
  std::string Data;
  std::string Frame;  // the whole frame; a resend repeats it byte for byte
};

// What the device answers, before the wire adds its framing.
struct TReply {
  // Ack: a short acknowledgement that carries only status; Refusal: the single refusal byte.
  enum class TKind { Frame, Ack, Refusal };
  TKind Kind = TKind::Frame;
  std::string Data;
  std::string Status;  // status bytes, or status characters
};

// Damage the fault plan asks for on one transmission.
struct TWireDamage {
  bool WrongSeq = false;
  bool BadChecksum = false;
};

struct TScan {
  enum class TResult {
    NeedMore,  // a request may be starting; wait for more bytes
    Skip,      // Consumed bytes are no request of this protocol; drop them
    Reject,    // Consumed bytes are a request with a bad checksum; refuse it
    Request,   // Consumed bytes are the request in Request
  };
  TResult Result = TResult::NeedMore;
  std::size_t Consumed = 0;
  TRequest Request;
};

class IWireCodec {
public:
  virtual ~IWireCodec() = default;
  // Looks at the front of the received bytes.
  virtual TScan Scan(std::string_view input) const = 0;
  virtual std::string BuildReply(const TRequest& request, const TReply& reply, const TWireDamage& damage) const = 0;
  virtual char WaitByte() const = 0;
  virtual char RefusalByte() const = 0;
};

}  // namespace emulator
