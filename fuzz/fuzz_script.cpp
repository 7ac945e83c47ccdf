// Receipt scripts of any shape, run by SendFile.
//
// Input: byte 0 picks the driver, byte 1 the device clock passed in, byte 2 the settings, byte 3 how
// the device answers; the rest is the script text.
//   An even byte 0 picks an in-memory driver that answers every operation itself (byte 3 scripts
//   its outcomes); an odd one a real driver (Datecs A, B, Eltrade, Daisy, Datecs C, Tremol in turn)
//   over an in-memory port whose device takes every frame (byte 3 may set one status bit), so the
//   drivers' data layouts meet whatever the script hands them: long texts, huge or tiny numbers,
//   odd dates.
//
// What must hold: SendFile never raises; the result has a defined kind; every detail but the last
// succeeded and the script result takes the last one's kind, or the kind is fprError with the
// computer name in FpNo; no line yields more than one detail; without details the result is
// fprNone with no text (or fprError); and with a script in valid UTF-8 every text is valid UTF-8.
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "devices/daisy.h"
#include "devices/datecs_a.h"
#include "devices/datecs_c.h"
#include "devices/datecs_b.h"
#include "devices/eltrade.h"
#include "driver/fp_basic.h"
#include "driver/script_line.h"
#include "fuzz_frames.h"
#include "fuzz_support.h"
#include "model/fp_util.h"
#include "platform/code_page.h"
#include "protocol/tremol.h"
#include "support/time_u.h"

namespace {

using driver::TFpResultPtr;
using fuzz::Bytes;
using model::TFpCommand;
using model::TFpResult;

constexpr std::uint8_t kClassic = 0, kWide = 1, kTremol = 2;

// Answers every operation without a device; the outcomes come from the fuzz input, two bits each.
class TMemoryDriver final : public driver::TFpSimple {
public:
  using TFpSimple::SendCommand;
  using TFpBasic::SetDateTime;

  explicit TMemoryDriver(std::uint8_t parOutcomes) : mOutcomes(parOutcomes) {
    InitVendorData();
    mDefaultOperatorCode = "1";
    mDefaultPassword = "0000";
    const std::pair<TFpCommand, model::TVendorCode> table[] = {
        {TFpCommand::DateTimeGet, 0x3E},       {TFpCommand::DateTimeSet, 0x3D},  {TFpCommand::FiscalBonStart, 0x30},
        {TFpCommand::FiscalBonItem, 0x31},     {TFpCommand::FiscalBonTotal, 0x35}, {TFpCommand::FiscalBonTextLine, 0x36},
        {TFpCommand::FiscalBonEnd, 0x38},      {TFpCommand::FiscalBonCancel, 0x3C}, {TFpCommand::CashInOut, 0x46},
        {TFpCommand::XReport, 0x45},           {TFpCommand::ZReport, 0x45},       {TFpCommand::PaymentMethodCash, "P"},
        {TFpCommand::PaymentMethodCard, "C"},  {TFpCommand::StornoReasonError, "0"}, {TFpCommand::StornoReasonReturn, "1"}};
    for (const auto& [command, code] : table) mCommandTable.Add(command, code);
  }

  int Calls = 0;

  void InitVendorData() override {}
  TFpResultPtr GetStatus(bool) override { return Answer(); }
  void ParseResponse(const std::uint8_t*, std::size_t, std::size_t, TFpResult&) override {}
  void SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool parFast) override {
    TFpSimple::SendCommand(parCommand, parData, Result, parFast);
    Result.ResultType = NextOutcome();
  }

  TFpResultPtr FiscalBonStart(const std::string&, const std::string&, const std::string&) override { return Answer(); }
  TFpResultPtr FiscalBonStorno(const std::string&, const std::string&, const std::string&, const std::string&,
                               const std::string&, model::TDateTime parDate, const std::string&) override {
    FUZZ_CHECK(std::isfinite(parDate), "a storno date that is no number");
    return Answer();
  }
  TFpResultPtr FiscalBonItem(const std::string&, const std::string&, const std::string&, long double parPrice,
                             long double parQuantity) override {
    FUZZ_CHECK(std::isfinite(parPrice) && std::isfinite(parQuantity), "a price or quantity that is no number");
    return Answer();
  }
  TFpResultPtr FiscalBonTextLine(const std::string&) override { return Answer(); }
  TFpResultPtr FiscalBonTotal(const std::string&, const std::string&, const std::string& parCode,
                              long double parAmount) override {
    FUZZ_CHECK(parCode == "P" || parCode == "C", "a payment code not from the table: " + parCode);
    FUZZ_CHECK(std::isfinite(parAmount), "an amount that is no number");
    return Answer();
  }
  TFpResultPtr FiscalBonEnd() override { return Answer(); }
  TFpResultPtr FiscalBonCancel() override { return Answer(); }
  TFpResultPtr CashInOut(long double parAmount) override {
    FUZZ_CHECK(std::isfinite(parAmount), "an amount that is no number");
    return Answer();
  }
  TFpResultPtr XReport() override { return Answer(); }
  TFpResultPtr ZReport() override { return Answer(); }
  TFpResultPtr ReportPeriodShort(model::TDateTime parFrom, model::TDateTime parTo) override {
    FUZZ_CHECK(std::isfinite(parFrom) && std::isfinite(parTo), "a report date that is no number");
    return Answer();
  }

private:
  model::TFpResultType NextOutcome() {
    static constexpr model::TFpResultType kOutcomes[] = {model::fprOk, model::fprOk, model::fprStatusError,
                                                        model::fprNoResponse};
    const auto outcome = kOutcomes[(mOutcomes >> ((Calls % 4) * 2)) & 3];
    ++Calls;
    return outcome;
  }
  TFpResultPtr Answer() {
    auto result = std::make_unique<TFpResult>();
    result->ResultType = NextOutcome();
    if (result->ResultType == model::fprStatusError) {
      result->FpIsBonOpen = true;
      result->StatusErrors = "(2.3) open";
      result->ResponseRaw = "raw";
    }
    return result;
  }

  std::uint8_t mOutcomes;
};

// A device that takes every request. Classic and wide frames carry "P,1,2" or "0\t1\t" as data (a
// cash in/out done, a receipt number) and status bytes, one bit of which the input may set; Tremol
// acknowledges with a state character the input may choose.
Bytes DeviceAnswer(std::uint8_t family, const Bytes& request, std::uint8_t statusBit) {
  if (request.size() < 7) return {};
  const std::uint8_t seqByte = request[family == kWide ? 5 : 2];
  if (family == kTremol) {
    const std::uint8_t a = statusBit & 0x80 ? static_cast<std::uint8_t>('0' + (statusBit & 0x0F)) : '0';
    return fuzz::TremolAck(seqByte, a, '0');
  }
  const std::size_t statusCount = family == kWide ? 8 : 6;
  Bytes status(statusCount, 0x80);
  if (statusBit) status[statusBit % statusCount] |= static_cast<std::uint8_t>(1u << ((statusBit >> 3) & 7));
  if (family == kWide) return fuzz::WideReply(seqByte, request.data() + 6, {'0', '\t', '1', '\t'}, status);
  return fuzz::ClassicReply(seqByte, request[3], {'P', ',', '1', ',', '2'}, status);
}

std::unique_ptr<driver::TFpBasic> MakeDeviceDriver(std::uint8_t choice, std::uint8_t& family) {
  family = kClassic;
  switch (choice % 6) {
    case 0: return std::make_unique<devices::TFpDatecsA>();
    case 1: return std::make_unique<devices::TFpDatecsB>();
    case 2: return std::make_unique<devices::TFpEltrade>();
    case 3: return std::make_unique<devices::TFPDaisy>();
    case 4: family = kWide; return std::make_unique<devices::TFpDatecsC>();
    default: family = kTremol; return std::make_unique<protocol::TFPTremol>();
  }
}

model::TDateTime DeviceClock(std::uint8_t choice, fuzz::TInput& in) {
  const model::TDateTime now = support::Now();
  switch (choice % 4) {
    case 0: return now;
    case 1: return now - (in.Byte() * 2) / 86400.0;  // up to 510 s behind
    case 2: return 0;                                 // the device gave no readable time
    default: return now + in.Byte() * 30.0;           // months or years ahead
  }
}

void ApplySettings(std::uint8_t choice, support::TPrgSettings& settings) {
  if (choice & 1) settings.SetValue("OperatorCode", "7");
  if (choice & 2) settings.SetValue("OperatorStornoPassword", "secret");
  if (choice & 4) settings.SetValue("FpClockDifferenceToleranceS", choice & 8 ? "-1" : "400");
  if (choice & 16) settings.SetValue("FpClockDifferenceToleranceS", "not a number");
}

void CheckScriptResult(const TFpResult& result, const std::string& script, bool validText) {
  FUZZ_CHECK(fuzz::IsDefinedResultType(result.ResultType), "result type outside the defined kinds");
  if (validText) fuzz::CheckResultTexts(result);
  (void)platform::Utf8ToAnsi(result.ToStringShort());  // what Return.txt gets, whatever the text

  std::size_t lines = 0;
  for (const std::string& line : driver::SplitScriptLines(script))
    if (!line.empty()) ++lines;
  FUZZ_CHECK(result.Details.size() <= lines, "more details than script lines");
  for (std::size_t i = 0; i < result.Details.size(); ++i) {
    FUZZ_CHECK(result.Details[i] != nullptr, "an absent detail");
    FUZZ_CHECK(script.find(result.Details[i]->Request) != std::string::npos, "a detail's request is not a script line");
    if (i + 1 < result.Details.size())
      FUZZ_CHECK(result.Details[i]->ResultType == model::fprOk, "the script went on after a line that failed");
  }
  // The result is the last line's, or an error raised by a line, which names the computer.
  if (!result.Details.empty() && result.ResultType == result.Details.back()->ResultType) return;
  if (result.ResultType == model::fprError) {
    FUZZ_CHECK(result.FpNo == "kassa1", "an error result without the computer name");
    return;
  }
  FUZZ_CHECK(result.Details.empty(), "the script result is not the last line's");
  FUZZ_CHECK(result.ResultType == model::fprNone && result.ResultText.empty(), "a script without details");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput in(data, size);
  const std::uint8_t driverChoice = in.Byte();
  const std::uint8_t clockChoice = in.Byte();
  const std::uint8_t settingsChoice = in.Byte();
  const std::uint8_t deviceChoice = in.Byte();
  fuzz::TServices services;
  ApplySettings(settingsChoice, services.Settings);
  const model::TDateTime fpDateTime = DeviceClock(clockChoice, in);
  const std::string script = in.RestText();

  fakes::FakeSerialPort port(services.Clock);
  std::unique_ptr<driver::TFpBasic> fp;
  std::uint8_t family = kClassic;
  if (driverChoice % 2 == 0) {
    fp = std::make_unique<TMemoryDriver>(deviceChoice);
  } else {
    fp = MakeDeviceDriver(driverChoice / 2, family);
    port.Responder = [family, deviceChoice](const Bytes& request) {
      return fakes::Reply{{0, DeviceAnswer(family, request, deviceChoice)}};
    };
    port.Open();
    fp->Init(&port);
  }

  driver::TFpResultPtr result;
  try {
    result = fp->SendFile(script, fpDateTime);
  } catch (...) {
    FUZZ_CHECK(false, "SendFile raised");
  }
  FUZZ_CHECK(result != nullptr, "SendFile gave no result");
  CheckScriptResult(*result, script, model::IsValidUtf8(script));
  if (!port.Writes.empty()) fuzz::CheckTransmissions(port.Writes, family == kWide ? 5 : 2);
  return 0;
}
