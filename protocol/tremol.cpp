// The Tremol exchange, reply parsing and receipt operations.
#include "protocol/tremol.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "model/fp_util.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "support/runtime.h"

namespace protocol {

using model::TFpCommand;
using model::TFpUtil;

namespace {

constexpr std::uint8_t kFrameEnd = 0x0A;
constexpr int kMaxAttempts = 5;
constexpr int kMaxIdleReads = 10;
constexpr int kReadPauseMs = 50;
constexpr int kWaitPauseMs = 200;
constexpr int kWaitPasses = 5;
constexpr int kResendPauseMs = 100;
constexpr int kDefaultPauseMs = 20;

// A pause in milliseconds from the settings; 20 when there are no settings or the key holds no number.
int SettingPauseMs(const char* key) {
  if (!support::TRuntime::HasSettings()) return kDefaultPauseMs;
  return std::max(0, support::SettingAsInt(support::TRuntime::Settings(), key, kDefaultPauseMs));
}

void Pause(int ms) { support::TRuntime::Sleeper().SleepMs(ms); }

std::string P6(const std::string& value) { return model::Utf8PadRight(value, 6); }
// Fiscal-memory numbers are eight characters wide; a short value is padded to the full width.
std::string P8(const std::string& value) { return model::Utf8PadRight(value, 8); }

// Fields of the receipt-number reply: separated by ";" or line breaks, leading blanks dropped, empty
// fields dropped, a quoted stretch kept whole (without its quotes).
std::vector<std::string> SplitReplyFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string field;
    while (i < n && text[i] != ';' && text[i] != '\r' && text[i] != '\n') {
      const char c = text[i];
      if (c == '"' || c == '\'') {
        const std::size_t close = text.find(c, i + 1);
        const std::size_t end = close == std::string::npos ? n : close;
        field.append(text, i + 1, end - i - 1);
        i = close == std::string::npos ? n : close + 1;
      } else {
        field += c;
        ++i;
      }
    }
    if (!field.empty()) fields.push_back(std::move(field));
    ++i;
  }
  return fields;
}

}  // namespace

// ---- framing ----

std::array<std::uint8_t, 2> TFPTremol::CalcChecksum(const std::uint8_t* parBytes, std::size_t parCount) {
  std::uint8_t x = 0;
  for (std::size_t i = 0; i < parCount; ++i) x ^= parBytes[i];
  return {static_cast<std::uint8_t>(0x30 + (x >> 4)), static_cast<std::uint8_t>(0x30 + (x & 0x0F))};
}

std::size_t TFPTremol::BuildFrame(std::uint8_t* parBuffer, int parSequenceNo, std::uint8_t parCommand,
                                  const std::string& parData) {
  const std::size_t n = parData.size();
  if (n > kMaxRequestData) throw std::length_error("request data do not fit one frame");
  std::fill(parBuffer, parBuffer + kFrameBufferSize, 0);
  parBuffer[0] = 0x02;
  parBuffer[1] = static_cast<std::uint8_t>(0x20 + 3 + n);
  parBuffer[2] = static_cast<std::uint8_t>(0x20 + parSequenceNo);
  parBuffer[3] = parCommand;
  std::memcpy(parBuffer + 4, parData.data(), n);
  const auto checksum = CalcChecksum(parBuffer + 1, 3 + n);
  parBuffer[4 + n] = checksum[0];
  parBuffer[5 + n] = checksum[1];
  parBuffer[6 + n] = kFrameEnd;
  return n + 7;
}

std::uint8_t TFPTremol::ResultByte(model::TFpResultType parType) const {
  return static_cast<std::uint8_t>(mResultTable.GetVendorCode(parType).AsInteger() & 0xFF);
}

// ---- the exchange ----

void TFPTremol::SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool parFast) {
  TFpBasic::SendCommand(parCommand, parData, Result, parFast);
  const std::string data = platform::Utf8ToAnsi(parData);
  if (data.size() > kMaxRequestData) {
    Result.ResultType = model::fprError;
    Result.ResultText = "Данните на командата са твърде дълги: " + std::to_string(data.size()) +
                        " байта, допустими са до " + std::to_string(kMaxRequestData) + "!";
    return;
  }
  Pause(SettingPauseMs("SleepBeforeCommand"));
  NextSequenceNo();
  const int sequenceNo = mSequenceNo;
  std::array<std::uint8_t, kFrameBufferSize> frame{};
  const std::size_t length = BuildFrame(frame.data(), sequenceNo, parCommand, data);

  // A resend repeats the frame unchanged: the device recognises the sequence byte and answers once.
  for (int attempt = 1;; ++attempt) {
    ClearBuffers();
    Write(frame.data(), length);
    ReceiveAnswer(sequenceNo, Result);
    if (parFast) return;
    if (Result.ResultType != model::fprNoResponse && Result.ResultType != model::fprErrorInResponse) return;
    if (attempt >= kMaxAttempts) return;
    Pause(kResendPauseMs);
  }
}

void TFPTremol::ReceiveAnswer(int parSequenceNo, TFpResult& Result) {
  for (int pass = 1;; ++pass) {
    std::array<std::uint8_t, kReceiveBufferSize> buffer{};
    std::size_t count = 0;
    // A reply may arrive in pieces (at 9600 baud a 50 ms pause lets only about 48 bytes through),
    // so reading goes on until the frame is complete or the line stays silent.
    for (int idle = 0; idle < kMaxIdleReads;) {
      const std::size_t n = Read(buffer.data() + count, buffer.size() - count);
      Pause(kReadPauseMs);
      if (n == 0) {
        ++idle;
        continue;
      }
      count += n;
      idle = 0;
      if (count == buffer.size() || ReplyIsComplete(buffer.data(), count)) break;
    }
    ParseAnswer(buffer.data(), count, parSequenceNo, Result);
    if (Result.ResultType != model::fprWait || pass >= kWaitPasses) return;
    Pause(kWaitPauseMs);
  }
}

bool TFPTremol::ReplyIsComplete(const std::uint8_t* parBuffer, std::size_t parCount) const {
  const std::uint8_t wait = ResultByte(model::fprWait);
  std::size_t s = 0;
  while (s < parCount && parBuffer[s] == wait) ++s;
  if (s == parCount) return true;  // only wait bytes: judged as such
  const std::size_t r = parCount - s;
  const std::uint8_t start = parBuffer[s];
  if (start == ResultByte(model::fprShortResponse)) return r >= 7;
  if (start == ResultByte(model::fprLongResponse)) {
    if (r < 2) return false;
    const int body = static_cast<int>(parBuffer[s + 1]) - 0x20;
    return body < 0 || r >= static_cast<std::size_t>(body) + 4;
  }
  return true;  // a refusal, or garbage that no further byte can mend
}

// ---- replies ----

void TFPTremol::ParseAnswer(const std::uint8_t* parBuffer, std::size_t parCount, int parSequenceNo,
                            TFpResult& Result) {
  if (parCount == 0) {
    Result.ResultType = model::fprNoResponse;
    Result.ResultText = "Няма отговор!";
    return;
  }
  const std::uint8_t wait = ResultByte(model::fprWait);
  std::size_t s = 0;
  while (s < parCount && parBuffer[s] == wait) ++s;
  if (s == parCount) {
    Result.ResultType = model::fprWait;
    Result.ResultText = "Изчакайте за отговор!";
    return;
  }
  if (parBuffer[s] == ResultByte(model::fprCommandError)) {
    Result.ResultType = model::fprCommandError;
    Result.ResultText = "Грешка в командата!";
    return;
  }
  if (!FrameIsValid(parBuffer + s, parCount - s, parSequenceNo)) {
    Result.ResultType = model::fprErrorInResponse;
    return;
  }
  const bool isData = parBuffer[s] == ResultByte(model::fprLongResponse);
  ParseResponse(parBuffer, s, parCount, Result);
  if (isData) {
    Result.ResultType = model::fprOk;
    Result.ResultText = Result.ResponseRaw;
  }
}

bool TFPTremol::FrameIsValid(const std::uint8_t* parFrame, std::size_t parLength, int parSequenceNo) const {
  if (parLength < 4) return false;
  const auto sequenceByte = static_cast<std::uint8_t>(0x20 + parSequenceNo);
  const bool isAck = parFrame[0] == ResultByte(model::fprShortResponse);
  const int body = isAck ? 3 : static_cast<int>(parFrame[1]) - 0x20;
  if (static_cast<int>(parLength) - 4 != body) return false;
  if (parFrame[parLength - 1] != kFrameEnd) return false;
  if (isAck) {
    if (parFrame[1] != sequenceByte) return false;
  } else if (parFrame[0] != ResultByte(model::fprLongResponse) || parFrame[2] != sequenceByte) {
    return false;
  }
  const auto checksum = CalcChecksum(parFrame + 1, static_cast<std::size_t>(body));
  return parFrame[parLength - 3] == checksum[0] && parFrame[parLength - 2] == checksum[1];
}

void TFPTremol::ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                              TFpResult& Result) {
  if (parCount <= parStart) return;
  const std::uint8_t* frame = parBuffer + parStart;
  const std::size_t r = parCount - parStart;
  if (frame[0] == ResultByte(model::fprShortResponse) && r >= 4) {
    DecodeAnswerStatus(frame[2], frame[3], Result);
  } else if (frame[0] == ResultByte(model::fprLongResponse)) {
    // A frame too short to hold a command byte carries no data.
    Result.ResponseRaw = r >= 7 ? platform::AnsiToUtf8(std::string(frame + 4, frame + r - 3)) : std::string();
  }
}

void TFPTremol::DecodeAnswerStatus(std::uint8_t parStatusA, std::uint8_t parStatusB, TFpResult& Result) {
  const std::string text = std::string("(") + StateText(parStatusA) + ", " + OutcomeText(parStatusB) + ")";
  Result.StatusCode = "(" + std::to_string(parStatusA) + ", " + std::to_string(parStatusB) + ") " +
                      TFpUtil::ByteToBinaryString(parStatusA) + " " + TFpUtil::ByteToBinaryString(parStatusB);
  Result.StatusText = text;
  if (parStatusA == '0' && parStatusB == '0') {
    Result.ResultType = model::fprOk;
    Result.ResultText.clear();
  } else {
    Result.ResultType = model::fprStatusError;
    Result.StatusErrors = text;
  }
  Result.FpIsBonOpen = parStatusA == '4';
}

// ---- status and clock ----

TFpResultPtr TFPTremol::GetStatus(bool parFast) {
  auto result = std::make_unique<TFpResult>();
  try {
    SendCommand(TFpCommand::FpNumberGet, std::string(), *result, parFast);
  } catch (const std::exception& e) {
    FillExceptionResult(*result, e.what());
  }
  const auto parts = model::SplitAll(result->ResponseRaw, ";");
  if (parts.size() == 2) {
    result->FpNo = model::Trim(parts[0]);
    result->FpMem = model::Trim(parts[1]);
  }
  return result;
}

void TFPTremol::SetDateTime(TDateTime parDateTime, TFpResult& parResult) {
  SendCommand(TFpCommand::DateTimeSet, model::FormatDateTime(parDateTime, "DD-MM-YY HH:NN"), parResult, false);
}

// ---- receipt operations ----

TFpResultPtr TFPTremol::SendNew(TFpCommand parCommand, const std::string& parData) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(parCommand, parData, *result, false);
  return result;
}

TFpResultPtr TFPTremol::FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                       const std::string& parUnp) {
  std::string data = parOperatorCode + ";" + P6(parOperatorPassword) + ";1;1;0";
  if (!parUnp.empty()) data += "$" + parUnp;
  auto result = SendNew(TFpCommand::FiscalBonStart, data);
  // The device needs a moment after opening a receipt before it takes the first item.
  Pause(SettingPauseMs("SleepAfterBonStart"));
  return result;
}

TFpResultPtr TFPTremol::FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                        const std::string& parUnp, const std::string& parStornoReason,
                                        const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                                        const std::string& parStornoFpMem) {
  const std::string data = parOperatorCode + ";" + P6(parOperatorPassword) + ";0;1;@;" + parStornoReason + ";" +
                           P6(parStornoDocNo) + ";" + model::FormatDateTime(parStornoDocDateTime, "DD-MM-YY HH:NN") +
                           ";" + P8(parStornoFpMem) + ";" + parUnp;
  // A storno receipt is opened with the same command as a sale.
  auto result = SendNew(TFpCommand::FiscalBonStart, data);
  Pause(SettingPauseMs("SleepAfterBonStart"));
  return result;
}

TFpResultPtr TFPTremol::FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                      const std::string& parDepartment, long double parPrice,
                                      long double parQuantity) {
  const std::string name = model::Utf8PadRight(model::Trim(parText1 + " " + parText2), 36);
  const std::string data = name + ";" + parDepartment + ";" + TFpUtil::FloatToStr(parPrice) + "*" +
                           TFpUtil::FloatToStr(parQuantity) + ",0:0";
  return SendNew(TFpCommand::FiscalBonItem, data);
}

TFpResultPtr TFPTremol::FiscalBonTotal(const std::string&, const std::string&, const std::string& parPaymentCode,
                                       long double parAmount) {
  std::string data = parPaymentCode + ";0;";
  if (parAmount != 0) data += TFpUtil::FloatToStr(parAmount);
  return SendNew(TFpCommand::FiscalBonTotal, data);
}

TFpResultPtr TFPTremol::FiscalBonEnd() {
  // The number is asked for while the receipt is still open, so the reply describes this receipt.
  TFpResult number;
  SendCommand(TFpCommand::FiscalBonNumberGet, std::string(), number, false);
  auto result = SendNew(TFpCommand::FiscalBonEnd, std::string());
  if (number.ResultType == model::fprOk) {
    const auto fields = SplitReplyFields(number.ResponseRaw);
    if (fields.size() >= 20) result->FpBonNo = fields[19];
  }
  return result;
}

TFpResultPtr TFPTremol::FiscalBonCancel() { return SendNew(TFpCommand::FiscalBonCancel, std::string()); }

TFpResultPtr TFPTremol::XReport() { return SendNew(TFpCommand::XReport, "X"); }

TFpResultPtr TFPTremol::ZReport() { return SendNew(TFpCommand::ZReport, "Z"); }

}  // namespace protocol
