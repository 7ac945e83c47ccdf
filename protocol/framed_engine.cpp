#include "protocol/framed_engine.h"

#include <array>
#include <cstring>
#include <vector>

#include "model/errors.h"
#include "model/fp_util.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "support/runtime.h"

namespace protocol {

using model::TFpCommand;
using model::TFpUtil;

namespace {

constexpr std::uint8_t kPreamble = 0x01;
constexpr std::uint8_t kPostamble = 0x05;
constexpr std::uint8_t kTerminator = 0x03;
constexpr std::uint8_t kLengthBase = 0x20;
constexpr std::uint8_t kSequenceBase = 0x20;
constexpr std::uint8_t kChecksumBase = 0x30;

// A reply frame: 01 LEN SEQ CMD 04 S0..S5 05 CS*4 03 around the data.
constexpr std::size_t kReplyOverhead = 17;
constexpr std::size_t kStatusByteCount = 6;

constexpr int kMaxAttempts = 5;
constexpr int kReadsPerCycle = 10;
// The device needs time to take a frame in before it starts answering.
constexpr int kPauseAfterWriteMs = 200;
constexpr int kPauseAfterReadMs = 50;
constexpr int kPauseBeforeResendMs = 100;
// Each wait code grants the device more reads; a device that keeps signalling "busy" for longer
// than any report takes to print is stuck, and the run must not hang on it.
constexpr std::int64_t kMaxBusyMs = 120000;

const char* const kNoResponseText = "Няма отговор!";
const char* const kWaitText = "Изчакайте за отговор!";
const char* const kCommandErrorText = "Грешка в командата!";
const char* const kCashRefusedText =
    "Заявката е отказана. Това става, ако: \r• Касовата наличност е по-малка от заявения служебен износ."
    "\r• Има отворен фискален или служебен бон.";

std::string DataTooLongText(std::size_t length, std::size_t limit) {
  return "Данните на заявката са твърде дълги: " + std::to_string(length) + " байта при най-много " +
         std::to_string(limit) + " в един кадър!";
}

std::string ReplyTooLongText(std::size_t limit) {
  return "Отговорът на устройството надхвърля " + std::to_string(limit) + " байта!";
}

std::uint8_t ControlByte(const model::TFPVendorConstList<model::TFpResultType>& table, model::TFpResultType kind) {
  return static_cast<std::uint8_t>(table.GetVendorCode(kind).AsInteger() & 0xFF);
}

// Appends the received bytes without wait codes; returns how many were appended.
std::size_t StripWaitBytes(const std::uint8_t* parReceived, std::size_t parCount, std::uint8_t parWaitCode,
                           std::uint8_t* parReply, std::size_t parFill) {
  std::size_t appended = 0;
  for (std::size_t i = 0; i < parCount; ++i)
    if (parReceived[i] != parWaitCode) parReply[parFill + appended++] = parReceived[i];
  return appended;
}

std::size_t CountNonWait(const std::uint8_t* parReceived, std::size_t parCount, std::uint8_t parWaitCode) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < parCount; ++i)
    if (parReceived[i] != parWaitCode) ++n;
  return n;
}

std::uint32_t FrameChecksum(const std::uint8_t* parBuffer, std::size_t parStart) {
  std::size_t last = parStart + (parBuffer[parStart + 1] - kLengthBase);
  return TFPBaisicDaisyDatecs::RangeChecksum(parBuffer, parStart + 1, static_cast<std::ptrdiff_t>(last));
}

std::uint32_t ReadFrameChecksum(const std::uint8_t* parBuffer, std::size_t parStart) {
  std::size_t at = parStart + (parBuffer[parStart + 1] - kLengthBase) + 1;
  return (std::uint32_t{parBuffer[at]} << 24) | (std::uint32_t{parBuffer[at + 1]} << 16) |
         (std::uint32_t{parBuffer[at + 2]} << 8) | std::uint32_t{parBuffer[at + 3]};
}

void WriteFrameChecksum(std::uint8_t* parBuffer) {
  std::uint32_t cs = FrameChecksum(parBuffer, 0);
  std::size_t at = static_cast<std::size_t>(parBuffer[1] - kLengthBase) + 1;
  parBuffer[at] = static_cast<std::uint8_t>(cs >> 24);
  parBuffer[at + 1] = static_cast<std::uint8_t>(cs >> 16);
  parBuffer[at + 2] = static_cast<std::uint8_t>(cs >> 8);
  parBuffer[at + 3] = static_cast<std::uint8_t>(cs);
}

void Pause(int ms) { support::TRuntime::Sleeper().SleepMs(ms); }

}  // namespace

// ---- checksum ----

std::uint32_t TFPBaisicDaisyDatecs::EncodeChecksum(std::uint16_t parSum, std::uint8_t parBase) {
  std::uint32_t value = 0;
  for (int shift = 12; shift >= 0; shift -= 4)
    value = (value << 8) | static_cast<std::uint8_t>(parBase + ((parSum >> shift) & 0x0F));
  return value;
}

std::uint16_t TFPBaisicDaisyDatecs::DecodeChecksum(std::uint32_t parValue, std::uint8_t parBase) {
  auto digit = [&](int shift) { return static_cast<int>((parValue >> shift) & 0xFF) - parBase; };
  return static_cast<std::uint16_t>(digit(24) * 4096 + digit(16) * 256 + digit(8) * 16 + digit(0));
}

std::uint32_t TFPBaisicDaisyDatecs::RangeChecksum(const std::uint8_t* parBuffer, std::size_t parFrom,
                                                  std::ptrdiff_t parTo) {
  std::uint16_t sum = 0;  // wraps modulo 0x10000 as the device's sum does
  for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(parFrom); i <= parTo; ++i)
    sum = static_cast<std::uint16_t>(sum + parBuffer[i]);
  return EncodeChecksum(sum, kChecksumBase);
}

// ---- control bytes ----

std::uint8_t TFPBaisicDaisyDatecs::WaitCode() const { return ControlByte(mResultTable, model::fprWait); }
std::uint8_t TFPBaisicDaisyDatecs::CommandErrorCode() const {
  return ControlByte(mResultTable, model::fprCommandError);
}

// ---- frames ----

std::size_t TFPBaisicDaisyDatecs::BuildRequestFrame(std::uint8_t* parBuffer, int parSequenceNo,
                                                    std::uint8_t parCommand, const std::string& parData) {
  const std::size_t n = parData.size();
  if (n > MaxRequestData()) throw model::ERuvexError(DataTooLongText(n, MaxRequestData()));
  std::memset(parBuffer, 0, kFrameBufferSize);
  parBuffer[0] = kPreamble;
  parBuffer[1] = static_cast<std::uint8_t>(kLengthBase + 4 + n);
  parBuffer[2] = static_cast<std::uint8_t>(kSequenceBase + parSequenceNo);
  parBuffer[3] = parCommand;
  std::memcpy(parBuffer + 4, parData.data(), n);
  parBuffer[4 + n] = kPostamble;
  WriteFrameChecksum(parBuffer);
  parBuffer[9 + n] = kTerminator;
  return n + 10;
}

bool TFPBaisicDaisyDatecs::ValidateResponseFrame(const std::uint8_t* parBuffer, std::size_t parStart,
                                                 std::size_t parCount, int parSequenceNo, TFpResult& Result) {
  const std::size_t s = parStart;
  const std::size_t len = parCount > parStart ? parCount - parStart : 0;
  // Anything shorter cannot carry the status bytes (an echo of the request passes every other
  // check), so it is never taken for a reply.
  bool ok = len >= kReplyOverhead;
  ok = ok && parBuffer[s + 1] >= kLengthBase && std::size_t(parBuffer[s + 1] - kLengthBase) == len - 6;
  ok = ok && parBuffer[s] == kPreamble;
  ok = ok && parBuffer[s + 2] == static_cast<std::uint8_t>(kSequenceBase + parSequenceNo);
  ok = ok && parBuffer[s + len - 1] == kTerminator;
  ok = ok && parBuffer[s + len - 6] == kPostamble;
  ok = ok && FrameChecksum(parBuffer, s) == ReadFrameChecksum(parBuffer, s);
  if (!ok) Result.ResultType = model::fprErrorInResponse;
  return ok;
}

void TFPBaisicDaisyDatecs::ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                                         TFpResult& Result) {
  if (parCount < parStart + kReplyOverhead) {
    Result.ResultType = model::fprErrorInResponse;
    return;
  }
  DecodeStatusBytes(Result, parBuffer + parCount - 12, kStatusByteCount);
  const std::size_t dataLength = parCount - parStart - kReplyOverhead;
  Result.ResponseRaw =
      platform::AnsiToUtf8(std::string(reinterpret_cast<const char*>(parBuffer + parStart + 4), dataLength));
}

void TFPBaisicDaisyDatecs::DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) {
  for (std::size_t i = 0; i < parCount; ++i)
    for (int b = 7; b >= 0; --b)
      mStatusList.SetStatusBit(std::to_string(i) + "." + std::to_string(b), TFpUtil::BitIsSet(parStatus[i], b));

  std::string errors = mStatusList.GetErrors();
  if (!errors.empty()) {
    Result.ResultType = model::fprStatusError;
    std::string suggestions = mStatusList.GetErrorResolveSuggestions();
    Result.StatusErrors = suggestions.empty() ? errors : errors + "\r\n\r\n" + suggestions;
  }

  std::string code = "(";
  for (std::size_t i = 0; i < parCount; ++i) {
    if (i > 0) code += ", ";
    code += TFpUtil::ByteToBinaryString(parStatus[i]);
  }
  Result.StatusCode = code + ")";
  Result.StatusText = mStatusList.GetStatusTexts();
}

// ---- exchange ----

void TFPBaisicDaisyDatecs::InterpretResponse(int parSequenceNo, const std::uint8_t* parBuffer, std::size_t parCount,
                                             TFpResult& Result) {
  if (parCount == 0) {
    Result.ResultType = model::fprNoResponse;
    Result.ResultText = kNoResponseText;
    return;
  }
  const std::uint8_t wait = WaitCode();
  std::size_t k = 0;
  while (k < parCount && parBuffer[k] == wait) ++k;
  if (k == parCount) {
    Result.ResultType = model::fprWait;
    Result.ResultText = kWaitText;
    return;
  }
  if (parBuffer[k] == CommandErrorCode()) {
    Result.ResultType = model::fprCommandError;
    Result.ResultText = kCommandErrorText;
    return;
  }
  Result.ResultType = model::fprOk;
  Result.ResultText.clear();
  if (ValidateResponseFrame(parBuffer, k, parCount, parSequenceNo, Result))
    ParseResponse(parBuffer, k, parCount, Result);
}

void TFPBaisicDaisyDatecs::SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result,
                                       bool parFast) {
  driver::TFpBasic::SendCommand(parCommand, parData, Result, parFast);

  // Refused before a sequence number is spent or a byte is written: such data cannot be framed.
  const std::string data = platform::Utf8ToAnsi(parData);
  if (data.size() > MaxRequestData()) {
    Result.ResultType = model::fprError;
    Result.ResultText = DataTooLongText(data.size(), MaxRequestData());
    return;
  }

  NextSequenceNo();
  std::array<std::uint8_t, kFrameBufferSize> frame{};
  const std::size_t frameLength = BuildRequestFrame(frame.data(), mSequenceNo, parCommand, data);

  std::vector<std::uint8_t> received(kReplyBufferSize);
  std::vector<std::uint8_t> reply(kReplyBufferSize);
  const std::uint8_t wait = WaitCode();

  for (int attempt = 1;; ++attempt) {
    ClearBuffers();
    Write(frame.data(), frameLength);
    Pause(kPauseAfterWriteMs);

    std::fill(received.begin(), received.end(), 0);
    std::fill(reply.begin(), reply.end(), 0);
    std::size_t fill = 0;
    bool overflow = false;
    bool busy = false;
    const std::int64_t readingSince = support::TRuntime::Clock().MonotonicMs();

    for (;;) {
      std::size_t got = 0;
      for (int read = 0; read < kReadsPerCycle && got == 0; ++read) {
        got = Read(received.data(), received.size());
        Pause(kPauseAfterReadMs);
      }
      if (got == 0) break;
      // The reply buffer has a fixed size; a device that keeps talking past it is not answering
      // this request.
      if (fill + CountNonWait(received.data(), got, wait) > kReplyBufferSize) {
        overflow = true;
        break;
      }
      const std::size_t appended = StripWaitBytes(received.data(), got, wait, reply.data(), fill);
      fill += appended;
      TFpResult probe;
      if (ValidateResponseFrame(reply.data(), 0, fill, mSequenceNo, probe)) break;
      if (appended == 0 && support::TRuntime::Clock().MonotonicMs() - readingSince > kMaxBusyMs) {
        busy = true;
        break;
      }
    }

    if (busy) {
      Result.ResultType = model::fprWait;
      Result.ResultText = kWaitText;
      return;
    }

    if (overflow) {
      Result.ResultType = model::fprErrorInResponse;
      Result.ResultText = ReplyTooLongText(kReplyBufferSize);
      return;
    }

    InterpretResponse(mSequenceNo, reply.data(), fill, Result);

    if (parFast || attempt >= kMaxAttempts) return;
    if (Result.ResultType != model::fprNoResponse && Result.ResultType != model::fprErrorInResponse) return;
    Pause(kPauseBeforeResendMs);
  }
}

// ---- receipt operations common to the family ----

TFpResultPtr TFPBaisicDaisyDatecs::FiscalBonTotal(const std::string& parText1, const std::string& parText2,
                                                  const std::string& parPaymentCode, long double parAmount) {
  auto result = std::make_unique<TFpResult>();
  std::string data = parText1 + "\n" + parText2 + "\t" + parPaymentCode;
  if (parAmount != 0) data += TFpUtil::FloatToStr(parAmount);
  SendCommand(TFpCommand::FiscalBonTotal, data, *result, false);
  return result;
}

TFpResultPtr TFPBaisicDaisyDatecs::FiscalBonEnd() {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::FiscalBonEnd, "", *result, false);
  // Some devices report the previous receipt number to the first request after closing;
  // the second answer is the number of the receipt just closed.
  TFpResult first;
  SendCommand(TFpCommand::FiscalBonNumberGet, "", first, false);
  TFpResult second;
  SendCommand(TFpCommand::FiscalBonNumberGet, "", second, false);
  TFpResultPtr status = GetStatus(false);
  result->FpNo = status->FpNo;
  result->FpBonNo = second.ResponseRaw;
  result->FpMem = status->FpMem;
  return result;
}

TFpResultPtr TFPBaisicDaisyDatecs::FiscalBonCancel() {
  return Send(TFpCommand::FiscalBonCancel, "");
}

TFpResultPtr TFPBaisicDaisyDatecs::CashInOut(long double parAmount) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::CashInOut, TFpUtil::FloatToStr(parAmount), *result, false);
  const std::vector<std::string> fields = model::SplitAll(result->ResponseRaw, ",");
  if (fields.front() == "P") {
    TFpResult number;
    SendCommand(TFpCommand::FiscalBonNumberGet, "", number, false);
    result->FpBonNo = number.ResponseRaw;
  } else if (result->ResultType == model::fprOk) {
    result->ResultType = model::fprError;
    result->ResultText = kCashRefusedText;
  }
  // Any other outcome (no answer, a status error) already says what went wrong; keep it.
  return result;
}

TFpResultPtr TFPBaisicDaisyDatecs::XReport() {
  return Send(TFpCommand::XReport, "0");
}

TFpResultPtr TFPBaisicDaisyDatecs::ZReport() {
  return Send(TFpCommand::ZReport, "1");
}

}  // namespace protocol
