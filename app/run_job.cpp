#include "app/run_job.h"

#include <exception>

#include "app/params.h"
#include "discovery/fp_manager.h"
#include "driver/fp_basic.h"
#include "model/device_info.h"
#include "model/errors.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "support/runtime.h"

namespace app {

namespace {

using TFpResultPtr = std::unique_ptr<model::TFpResult>;

// Closes the transport however the exchange ends.
class TPortGuard {
public:
  explicit TPortGuard(driver::TFpBasic& fp) : mFp(fp) {}
  ~TPortGuard() { mFp.ClosePort(); }
  TPortGuard(const TPortGuard&) = delete;
  TPortGuard& operator=(const TPortGuard&) = delete;

private:
  driver::TFpBasic& mFp;
};

TFpResultPtr RunSelectedJob(const TRunEnvironment& parEnv, TFpInputParameters& params) {
  TParamsList list;
  TFpParamsHandlerBasic::ParseParameters(parEnv.ExecutableFolder, parEnv.Arguments, list);
  TFpParamsHandlerBasic::LoadParametersObject(list, params);

  if (params.ListDevices) return BuildDeviceListResult();

  // The lookup runs even without a job: it may probe ports and remember the device found.
  std::unique_ptr<driver::TFpBasic> fp = discovery::TFpManagerBasic::GetDevice(params.FiscalMemoryNo);
  if (!fp) throw model::ERuvexError("Не е намерено фискално устройство!");

  if (params.GetStatus) {
    fp->OpenPort();  // a port that did not open shows as a failed exchange
    TPortGuard guard(*fp);
    TFpResultPtr result = fp->GetStatus(false);
    result->FpDateTime = fp->GetDateTime();
    return result;
  }
  if (params.WriteBon) {
    fp->OpenPort();
    TPortGuard guard(*fp);
    const model::TDateTime fpDateTime = fp->GetDateTime();
    const std::string script = params.WriteBonData ? params.WriteBonData->Data : std::string();
    return fp->SendFile(script, fpDateTime);
  }
  return nullptr;
}

TFpResultPtr ErrorResult(const std::string& message) {
  // The caller learns the outcome from Return.txt; a log held by another program must not take
  // that away.
  try {
    support::TRuntime::Logger().Log(message);
  } catch (const std::exception&) {
  }
  auto result = std::make_unique<model::TFpResult>();
  result->ResultType = model::fprUnknownError;
  result->ResultText = message;
  return result;
}

}  // namespace

std::unique_ptr<model::TFpResult> BuildDeviceListResult() {
  const model::TFpDeviceInfoList devices = discovery::TFpManagerBasic::ListComDevices();
  std::vector<const model::TFpDeviceInfo*> items;
  items.reserve(devices.size());
  for (const auto& device : devices) items.push_back(device.get());
  auto result = std::make_unique<model::TFpResult>();
  result->ResultType = model::fprOk;
  result->Json = model::TFpDeviceInfoRoot(std::move(items)).ToJson();
  return result;
}

void WriteReturnFile(const std::string& parFolder, const model::TFpResult& parResult) {
  platform::WriteAllBytes(parFolder + "Return.txt", platform::Utf8ToAnsi(parResult.ToStringShort()));
}

void WriteUtf16File(const std::string& parPath, const std::string& parText) {
  const std::u16string units = model::Utf8ToUtf16(parText);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + units.size() * 2);
  for (const char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  platform::WriteAllBytes(parPath, bytes);
}

void RunJob(const TRunEnvironment& parEnv) {
  TFpInputParameters params;
  TFpResultPtr result;
  try {
    result = RunSelectedJob(parEnv, params);
  } catch (const std::exception& e) {
    result = ErrorResult(e.what());  // a result built before the error is dropped
  } catch (...) {
    result = ErrorResult("Unknown error");
  }
  if (!result) return;

  // Outside the trap: a file that cannot be written ends the run. Return.txt goes first, so it
  // survives a failing output file.
  WriteReturnFile(parEnv.ExecutableFolder, *result);
  const std::string text = result->ToStringShort() + "\r\n" + result->ToString(0);
  result.reset();
  if (!params.OutputFile.empty()) WriteUtf16File(params.OutputFile, text);
}

}  // namespace app
