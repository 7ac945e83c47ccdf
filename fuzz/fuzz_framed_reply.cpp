// What a Daisy, Datecs A/B or Eltrade device may send back after a request, fed to the framed
// protocol engine.
//
// Input: byte 0 chooses the path and its options, the rest is the device's side.
//   Reply path (byte 0 bit 0 clear): InterpretResponse on exactly the bytes given, in a buffer of
//     exactly that size (so any read past them is caught), judged against an independent reading of
//     the frame: which outcome, which data text, which status bits.
//   Exchange path (bit 0 set): a whole operation on a real driver over an in-memory port whose
//     device answers every transmission with those bytes, cut into chunks that arrive late or
//     straddle read cycles. Nothing may escape as an exception, the texts stay valid UTF-8, every
//     request goes out at most five times and every resend is the same frame.
//   With bit 1 set the bytes are first made into a well-formed frame for the request (length,
//   sequence byte, 05, checksum, 03), so that the status decoding and the drivers' readings of the
//   data are reached on most inputs instead of a few.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/daisy.h"
#include "devices/datecs_a.h"
#include "devices/datecs_b.h"
#include "devices/eltrade.h"
#include "fuzz_frames.h"
#include "fuzz_support.h"
#include "model/fp_util.h"
#include "platform/code_page.h"
#include "protocol/framed_engine.h"

namespace {

using fuzz::Bytes;
using model::TFpResult;

constexpr std::uint8_t kWait = 0x16;
constexpr std::uint8_t kNak = 0x15;

// The engine alone, with a few status bits of each kind, and its reply interpretation in reach.
class TExposedEngine final : public protocol::TFPBaisicDaisyDatecs {
public:
  TExposedEngine() {
    InitVendorData();
    mResultTable.Add(model::fprWait, kWait);
    mResultTable.Add(model::fprCommandError, kNak);
  }
  void InitVendorData() override {
    mStatusList.Add("0.0", true, "(0.0) syntax error");
    mStatusList.Add("0.5", false, "(0.5) general error");
    mStatusList.Add("2.3", false, "(2.3) receipt open");
    mStatusList.Add("4.4", true, "(4.4) fiscal memory full", "replace the fiscal memory");
    mStatusList.Add("5.7", true, "(5.7) last bit");
  }
  driver::TFpResultPtr GetStatus(bool) override { return std::make_unique<TFpResult>(); }
  using TFPBaisicDaisyDatecs::InterpretResponse;
};

// A frame of L bytes is 01 LEN SEQ CMD data 04 S0..S5 05 CS CS CS CS 03 with LEN = 0x20 + L - 6.
bool IsValidFrame(const Bytes& f, int seq) {
  const std::size_t L = f.size();
  if (L < 17 || f[0] != 0x01 || f[1] < 0x20 || std::size_t(f[1] - 0x20) != L - 6) return false;
  if (f[2] != 0x20 + seq || f[L - 1] != 0x03 || f[L - 6] != 0x05) return false;
  const auto cs = fuzz::SumChecksum(f, 1, L - 6);
  return std::equal(cs.begin(), cs.end(), f.begin() + static_cast<std::ptrdiff_t>(L - 5));
}

// Makes the bytes a frame answering seq, keeping their data and status bytes.
void Repair(Bytes& f, int seq) {
  const std::size_t L = f.size();
  if (L < 17 || L > 0xFF - 0x20 + 6) return;
  f[0] = 0x01;
  f[1] = static_cast<std::uint8_t>(0x20 + L - 6);
  f[2] = static_cast<std::uint8_t>(0x20 + seq);
  f[L - 6] = 0x05;
  f[L - 1] = 0x03;
  const auto cs = fuzz::SumChecksum(f, 1, L - 6);
  std::copy(cs.begin(), cs.end(), f.begin() + static_cast<std::ptrdiff_t>(L - 5));
}

void ReplyPath(fuzz::TInput& in, bool repair) {
  const int seq = 1 + in.Byte() % 200;
  const std::size_t leadingWait = in.Byte() % 4;
  Bytes body = in.Rest();
  if (repair) Repair(body, seq);
  Bytes reply(leadingWait, kWait);
  reply.insert(reply.end(), body.begin(), body.end());

  // Exactly the bytes given, on the heap: one byte more read is an ASan report.
  std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[reply.size() ? reply.size() : 1]);
  std::copy(reply.begin(), reply.end(), exact.get());

  TExposedEngine engine;
  TFpResult result;
  result.ResultText = "before";
  engine.InterpretResponse(seq, exact.get(), reply.size(), result);
  fuzz::CheckResultTexts(result);

  std::size_t k = 0;
  while (k < reply.size() && reply[k] == kWait) ++k;
  if (reply.empty()) {
    FUZZ_CHECK(result.ResultType == model::fprNoResponse && result.ResultText == "Няма отговор!", "empty reply");
    return;
  }
  if (k == reply.size()) {
    FUZZ_CHECK(result.ResultType == model::fprWait && result.ResultText == "Изчакайте за отговор!", "wait codes only");
    return;
  }
  if (reply[k] == kNak) {
    FUZZ_CHECK(result.ResultType == model::fprCommandError && result.ResultText == "Грешка в командата!", "refusal");
    return;
  }
  const Bytes frame(reply.begin() + static_cast<std::ptrdiff_t>(k), reply.end());
  if (!IsValidFrame(frame, seq)) {
    FUZZ_CHECK(result.ResultType == model::fprErrorInResponse, "an invalid frame was accepted");
    FUZZ_CHECK(result.ResultText.empty() && result.ResponseRaw.empty() && result.StatusCode.empty(),
               "an invalid frame left data behind");
    return;
  }
  const std::size_t L = frame.size();
  const std::uint8_t* status = frame.data() + L - 12;
  const bool errorBit = (status[0] & 0x01) || (status[4] & 0x10) || (status[5] & 0x80);
  FUZZ_CHECK(result.ResultType == (errorBit ? model::fprStatusError : model::fprOk), "wrong outcome of a valid frame");
  FUZZ_CHECK(result.ResultText.empty(), "a valid frame kept an earlier result text");
  const std::string data(reinterpret_cast<const char*>(frame.data()) + 4, L - 17);
  FUZZ_CHECK(result.ResponseRaw == platform::AnsiToUtf8(data), "reply data not taken from offset 4 to the 04 byte");
  std::string code = "(";
  for (int i = 0; i < 6; ++i) code += (i ? ", " : "") + model::TFpUtil::ByteToBinaryString(status[i]);
  FUZZ_CHECK(result.StatusCode == code + ")", "status code not read from the six bytes before 05");
  FUZZ_CHECK(errorBit == !result.StatusErrors.empty(), "status errors disagree with the error bits");
}

// ---- exchange path ----

std::unique_ptr<protocol::TFPBaisicDaisyDatecs> MakeDriver(std::uint8_t choice) {
  switch (choice % 4) {
    case 0: return std::make_unique<devices::TFpDatecsA>();
    case 1: return std::make_unique<devices::TFpDatecsB>();
    case 2: return std::make_unique<devices::TFpEltrade>();
    default: return std::make_unique<devices::TFPDaisy>();
  }
}

// The reply to one request: raw bytes, or a frame built around them for that request's sequence byte.
Bytes ReplyFor(const Bytes& request, const Bytes& raw, bool repair, std::size_t leadingWait) {
  Bytes reply(leadingWait, kWait);
  if (!repair) {
    reply.insert(reply.end(), raw.begin(), raw.end());
    return reply;
  }
  // The first six bytes are the status, the rest (within one frame, wait codes left out) the data.
  Bytes status(6, 0x80);
  std::size_t i = 0;
  for (; i < raw.size() && i < 6; ++i) status[i] = raw[i];
  Bytes data;
  for (; i < raw.size() && data.size() < 200; ++i) data.push_back(raw[i] == kWait ? 0x20 : raw[i]);
  const Bytes frame = fuzz::ClassicReply(request.size() > 2 ? request[2] : std::uint8_t{0x22},
                                         request.size() > 3 ? request[3] : std::uint8_t{0}, data, status);
  reply.insert(reply.end(), frame.begin(), frame.end());
  return reply;
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
    return fuzz::Chunked(ReplyFor(request, raw, repair, leadingWait), chunk, delays);
  };
  port.Open();
  auto fp = MakeDriver(choice);
  fp->Init(&port);

  try {
    switch ((choice / 4) % 6) {
      case 0: CheckOutcome(*fp->GetStatus(false)); break;
      case 1: CheckOutcome(*fp->GetStatus(true)); break;
      case 2: {
        const model::TDateTime t = fp->GetDateTime();
        FUZZ_CHECK(t == 0 || (std::isfinite(t) && t > -693594 && t < 2958466), "a device clock outside the calendar");
        break;
      }
      case 3: CheckOutcome(*fp->FiscalBonEnd()); break;
      case 4: CheckOutcome(*fp->CashInOut(-12.5L)); break;
      default: CheckOutcome(*fp->XReport()); break;
    }
  } catch (const std::exception& e) {
    FUZZ_CHECK(false, std::string("a device reply raised instead of giving a result: ") + e.what());
  }
  fuzz::CheckTransmissions(port.Writes, 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput in(data, size);
  const std::uint8_t mode = in.Byte();
  if (mode & 1)
    ExchangePath(in, (mode & 2) != 0);
  else
    ReplyPath(in, (mode & 2) != 0);
  return 0;
}
