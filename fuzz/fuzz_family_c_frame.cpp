// What a Datecs family-C device may send back: the widened frame
//   01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03   (four-character fields: nibbles + 0x30)
// fed to the family-C driver.
//
// Input: byte 0 chooses the path and its options, the rest is the device's side.
//   Frame path (byte 0 bit 0 clear): ValidateResponseFrame and ParseResponse on exactly the bytes
//     given, in a buffer of exactly that size, judged against an independent reading of the frame:
//     validity, data text, status code, the error bits and the device error named in the text.
//   Exchange path (bit 0 set): a whole operation over an in-memory port whose device answers
//     every transmission with those bytes, cut into chunks that may arrive late. Nothing may
//     escape as an exception, texts stay valid UTF-8, at most five transmissions per request.
//   With bit 1 set the bytes are first made into a well-formed reply for the request (eight status
//   bytes from the input, then the data), so the status decoding and the readings of TAB fields
//   and device error codes are reached.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/datecs_c.h"
#include "fuzz_frames.h"
#include "fuzz_support.h"
#include "model/fp_util.h"
#include "model/text.h"
#include "platform/code_page.h"

namespace {

using fuzz::Bytes;
using model::TFpResult;

constexpr std::uint8_t kWait = 0x16;
constexpr std::size_t kOverhead = 25;  // 01 LEN*4 SEQ CMD*4 04 S*8 05 CS*4 03

bool FieldAt(const Bytes& f, std::size_t at, const std::array<std::uint8_t, 4>& field) {
  return std::equal(field.begin(), field.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
}

bool IsValidFrame(const Bytes& f, int seq) {
  const std::size_t r = f.size();
  if (r < kOverhead || f[0] != 0x01 || !FieldAt(f, 1, fuzz::NibbleField(0x20 + static_cast<unsigned>(r) - 6))) return false;
  if (f[5] != 0x20 + seq || f[r - 1] != 0x03 || f[r - 6] != 0x05) return false;
  return FieldAt(f, r - 5, fuzz::SumChecksum(f, 1, r - 6));
}

// A reply to the request: eight status bytes from the front of raw, then the data (no wait codes).
Bytes MakeReply(const Bytes& raw, std::uint8_t seqByte, const std::uint8_t* command) {
  Bytes status(8, 0x80);
  std::size_t i = 0;
  for (; i < raw.size() && i < 8; ++i) status[i] = raw[i];
  Bytes data;
  for (; i < raw.size() && data.size() < 400; ++i) data.push_back(raw[i] == kWait ? 0x20 : raw[i]);
  return fuzz::WideReply(seqByte, command, data, status);
}

void FramePath(fuzz::TInput& in, bool repair) {
  const int seq = 1 + in.Byte() % 200;
  Bytes frame = in.Rest();
  static const std::uint8_t kCommand[4] = {'0', '0', '5', ':'};
  if (repair) frame = MakeReply(frame, static_cast<std::uint8_t>(0x20 + seq), kCommand);

  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[frame.size() ? frame.size() : 1]);
  std::copy(frame.begin(), frame.end(), exact.get());

  fuzz::TServices services;
  devices::TFpDatecsC fp;
  TFpResult result;
  result.ResultType = model::fprOk;
  const bool valid = fp.ValidateResponseFrame(exact.get(), 0, frame.size(), seq, result);
  FUZZ_CHECK(valid == IsValidFrame(frame, seq), valid ? "an invalid frame was accepted" : "a valid frame was rejected");
  if (!valid) {
    FUZZ_CHECK(result.ResultType == model::fprErrorInResponse, "a rejected frame is not an error in the response");
    return;
  }
  fp.ParseResponse(exact.get(), 0, frame.size(), result);
  fuzz::CheckResultTexts(result);

  const std::size_t r = frame.size();
  const std::string data(reinterpret_cast<const char*>(frame.data()) + 10, r - kOverhead);
  FUZZ_CHECK(result.ResponseRaw == platform::AnsiToUtf8(data), "reply data not taken from offset 10 to the 04 byte");
  const std::uint8_t* s = frame.data() + r - 14;
  std::string code = "(";
  for (int i = 0; i < 8; ++i) code += (i ? ", " : "") + model::TFpUtil::ByteToBinaryString(s[i]);
  FUZZ_CHECK(result.StatusCode == code + ")", "status code not read from the eight bytes before 05");
  // The for-error bits: 0.6, 0.1, 0.0, 1.1, 2.0, 4.6, 4.4, 4.0.
  const bool errorBit = (s[0] & 0x43) || (s[1] & 0x02) || (s[2] & 0x01) || (s[4] & 0x51);
  FUZZ_CHECK(result.ResultType == (errorBit ? model::fprStatusError : model::fprOk), "wrong outcome of a valid frame");
  FUZZ_CHECK(!result.FpIsBonOpen, "a fresh driver reports an open receipt");
  if (!errorBit) {
    FUZZ_CHECK(result.ResultText.empty(), "a successful reply with a result text");
    return;
  }
  const std::string named = devices::TFpDatecsC::GetErrorByCode(result.ResponseRaw);
  if (!named.empty())
    FUZZ_CHECK(result.ResultText == "Грешка: " + result.ResponseRaw + ". " + named, "a device error not named");
}

void CheckOutcome(const TFpResult& result) {
  fuzz::CheckResultTexts(result);
  switch (result.ResultType) {
    case model::fprOk:
    case model::fprStatusError:
    case model::fprNoResponse:
    case model::fprErrorInResponse:
    case model::fprCommandError:
    case model::fprError:  // a refused cash in/out
    case model::fprWait:   // wait codes for longer than any report takes: the device is stuck
      return;
    default:
      FUZZ_CHECK(false, "an exchange ended in an outcome it cannot have: " +
                            model::TFpUtil::EnumToStr(result.ResultType));
  }
}

void ExchangePath(fuzz::TInput& in, bool repair) {
  const std::uint8_t choice = in.Byte();
  const std::size_t chunk = in.Byte();
  const std::uint8_t delays = in.Byte();
  const std::size_t leadingWait = in.Byte() % 4;
  const Bytes raw = in.Rest();

  fuzz::TServices services;
  fakes::FakeSerialPort port(services.Clock);
  port.Responder = [&](const Bytes& request) {
    Bytes reply(leadingWait, kWait);
    const Bytes body = repair && request.size() >= 10 ? MakeReply(raw, request[5], request.data() + 6) : raw;
    reply.insert(reply.end(), body.begin(), body.end());
    return fuzz::Chunked(reply, chunk, delays);
  };
  port.Open();
  devices::TFpDatecsC fp;
  fp.Init(&port);

  try {
    switch (choice % 6) {
      case 0: CheckOutcome(*fp.GetStatus(false)); break;
      case 1: CheckOutcome(*fp.GetStatus(true)); break;
      case 2: {
        const model::TDateTime t = fp.GetDateTime();
        FUZZ_CHECK(t == 0 || (std::isfinite(t) && t > -693594 && t < 2958466), "a device clock outside the calendar");
        break;
      }
      case 3: CheckOutcome(*fp.FiscalBonEnd()); break;
      case 4: CheckOutcome(*fp.CashInOut(-12.5L)); break;
      default: {
        // Two requests: the receipt-open flag of the second comes from the first reply's bits.
        CheckOutcome(*fp.XReport());
        CheckOutcome(*fp.FiscalBonCancel());
        break;
      }
    }
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("a device reply raised instead of giving a result: ") + e.what());
  }
  fuzz::CheckTransmissions(port.Writes, 5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput in(data, size);
  const std::uint8_t mode = in.Byte();
  if (mode & 1)
    ExchangePath(in, (mode & 2) != 0);
  else
    FramePath(in, (mode & 2) != 0);
  return 0;
}
