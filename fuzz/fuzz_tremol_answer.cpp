// What a Tremol device may send back after a request, fed to the Tremol driver.
//
// Input: byte 0 chooses the path and its options, the rest is the device's side.
//   Answer path (byte 0 bit 0 clear): ParseAnswer on exactly the bytes given, in a buffer of exactly
//     that size, judged against an independent reading: wait bytes, refusal, acknowledgement
//     (06 SEQ A B CS CS 0A) or data frame (02 LEN SEQ CMD data CS CS 0A), with the XOR checksum.
//   Exchange path (bit 0 set): a whole operation over an in-memory port whose device answers every
//     transmission with those bytes, cut into chunks that may arrive late. Nothing may escape as an
//     exception, texts stay valid UTF-8, at most five transmissions per request, resends unchanged.
//   With bit 1 set the bytes are first made into a well-formed answer for the request (bit 2 picks
//   an acknowledgement or a data frame), so the status texts and the readings of data are reached.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_frames.h"
#include "fuzz_support.h"
#include "model/fp_util.h"
#include "platform/code_page.h"
#include "protocol/tremol.h"

namespace {

using fuzz::Bytes;
using model::TFpResult;

constexpr std::uint8_t kWait = 0x0E;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEnd = 0x0A;

// An acknowledgement has a body of 3 (SEQ A B); a data frame the body its length byte announces.
bool IsValidAnswer(const Bytes& f, int seq) {
  const long r = static_cast<long>(f.size());
  if (r < 4) return false;
  const bool ack = f[0] == kAck;
  const long body = ack ? 3 : static_cast<long>(f[1]) - 0x20;
  if (r - 4 != body || f[r - 1] != kEnd) return false;
  if (ack ? f[1] != 0x20 + seq : (f[0] != kStx || f[2] != 0x20 + seq)) return false;
  const auto cs = fuzz::XorChecksum(f.data() + 1, static_cast<std::size_t>(body));
  return f[r - 3] == cs[0] && f[r - 2] == cs[1];
}

Bytes MakeAnswer(const Bytes& raw, std::uint8_t seqByte, std::uint8_t command, bool ack) {
  if (ack) return fuzz::TremolAck(seqByte, raw.size() > 0 ? raw[0] : '0', raw.size() > 1 ? raw[1] : '0');
  return fuzz::TremolData(seqByte, command, Bytes(raw.begin(), raw.begin() + std::min<std::ptrdiff_t>(raw.size(), 200)));
}

void AnswerPath(fuzz::TInput& in, bool repair, bool ack) {
  const int seq = 1 + in.Byte() % 200;
  const std::size_t leadingWait = in.Byte() % 4;
  Bytes body = in.Rest();
  if (repair) body = MakeAnswer(body, static_cast<std::uint8_t>(0x20 + seq), 0x60, ack);
  Bytes reply(leadingWait, kWait);
  reply.insert(reply.end(), body.begin(), body.end());

  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[reply.size() ? reply.size() : 1]);
  std::copy(reply.begin(), reply.end(), exact.get());

  fuzz::TServices services;
  protocol::TFPTremol fp;
  TFpResult result;
  result.ResultText = "before";
  fp.ParseAnswer(exact.get(), reply.size(), seq, result);
  fuzz::CheckResultTexts(result);

  std::size_t s = 0;
  while (s < reply.size() && reply[s] == kWait) ++s;
  if (reply.empty()) {
    FUZZ_CHECK(result.ResultType == model::fprNoResponse && result.ResultText == "Няма отговор!", "empty answer");
    return;
  }
  if (s == reply.size()) {
    FUZZ_CHECK(result.ResultType == model::fprWait && result.ResultText == "Изчакайте за отговор!", "wait bytes only");
    return;
  }
  if (reply[s] == kNak) {
    FUZZ_CHECK(result.ResultType == model::fprCommandError && result.ResultText == "Грешка в командата!", "refusal");
    return;
  }
  const Bytes frame(reply.begin() + static_cast<std::ptrdiff_t>(s), reply.end());
  if (!IsValidAnswer(frame, seq)) {
    FUZZ_CHECK(result.ResultType == model::fprErrorInResponse, "an invalid answer was accepted");
    FUZZ_CHECK(result.ResultText == "before", "a rejected answer changed the result text");
    return;
  }
  const std::size_t r = frame.size();
  if (frame[0] == kAck) {
    const bool ok = frame[2] == '0' && frame[3] == '0';
    FUZZ_CHECK(result.ResultType == (ok ? model::fprOk : model::fprStatusError), "wrong outcome of an acknowledgement");
    FUZZ_CHECK(result.FpIsBonOpen == (frame[2] == '4'), "receipt-open flag not from device state 4");
    FUZZ_CHECK(ok ? result.ResultText.empty() : result.ResultText == "before", "acknowledgement result text");
    FUZZ_CHECK(model::StartsWith(result.StatusCode, "(" + std::to_string(frame[2]) + ", " + std::to_string(frame[3]) + ") "),
               "status code not made of the two status characters");
    return;
  }
  const std::string data = r >= 7 ? std::string(reinterpret_cast<const char*>(frame.data()) + 4, r - 7) : std::string();
  FUZZ_CHECK(result.ResultType == model::fprOk, "a valid data frame was not accepted");
  FUZZ_CHECK(result.ResponseRaw == platform::AnsiToUtf8(data) && result.ResultText == result.ResponseRaw,
             "data frame text not taken from offset 4 to the checksum");
}

// ---- exchange path ----

void CheckOutcome(const TFpResult& result) {
  fuzz::CheckResultTexts(result);
  switch (result.ResultType) {
    case model::fprOk:
    case model::fprStatusError:
    case model::fprNoResponse:
    case model::fprErrorInResponse:
    case model::fprCommandError:
    case model::fprWait:  // wait bytes through every reply pass
      return;
    default:
      FUZZ_CHECK(false, "an exchange ended in an outcome it cannot have: " +
                            model::TFpUtil::EnumToStr(result.ResultType));
  }
}

void ExchangePath(fuzz::TInput& in, bool repair, bool ack) {
  const std::uint8_t choice = in.Byte();
  const std::size_t chunk = in.Byte();
  const std::uint8_t delays = in.Byte();
  const std::size_t leadingWait = in.Byte() % 4;
  const Bytes raw = in.Rest();

  fuzz::TServices services;
  fakes::FakeSerialPort port(services.Clock);
  port.Responder = [&](const Bytes& request) {
    Bytes reply(leadingWait, kWait);
    const Bytes answer = repair ? MakeAnswer(raw, request.at(2), request.at(3), ack) : raw;
    reply.insert(reply.end(), answer.begin(), answer.end());
    return fuzz::Chunked(reply, chunk, delays);
  };
  port.Open();
  protocol::TFPTremol fp;
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
      case 4: CheckOutcome(*fp.FiscalBonStart("01", "0", "DY000001-0001-0000001")); break;
      default: CheckOutcome(*fp.XReport()); break;
    }
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("a device answer raised instead of giving a result: ") + e.what());
  }
  fuzz::CheckTransmissions(port.Writes, 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput in(data, size);
  const std::uint8_t mode = in.Byte();
  const bool repair = (mode & 2) != 0;
  const bool ack = (mode & 4) != 0;
  if (mode & 1)
    ExchangePath(in, repair, ack);
  else
    AnswerPath(in, repair, ack);
  return 0;
}
