// Choosing the device for a run: the settings first (TCP or serial), then a probe of every port.
#include "discovery/fp_manager.h"

#include <exception>

#include "model/errors.h"
#include "model/fp_util.h"
#include "support/runtime.h"

namespace discovery {

using model::TFpDeviceType;
using model::TFpUtil;

namespace {

std::string Setting(const std::string& key) { return support::TRuntime::Settings().Get(key); }

// Progress lines are diagnostics: a log held by another program must not stop the device lookup.
void Log(const std::string& message) {
  if (!support::TRuntime::HasLogger()) return;
  try {
    support::TRuntime::Logger().Log(message);
  } catch (const std::exception&) {
  }
}

// A decimal integer, optionally signed, and nothing else.
int SettingToInt(const std::string& text) {
  std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  bool ok = i < text.size() && text.size() - i <= 9;
  for (std::size_t k = i; ok && k < text.size(); ++k) ok = text[k] >= '0' && text[k] <= '9';
  if (!ok) throw model::EConvertError("'" + text + "' is not a valid integer value");
  return std::stoi(text);
}

}  // namespace

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::GetDevice(const std::string& parFiscalMemoryNo) {
  return GetDevice(parFiscalMemoryNo, driver::TFpBasic::CreatePort);
}

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::GetDevice(const std::string& parFiscalMemoryNo,
                                                             const TPortFactory& parCreatePort) {
  const bool automatic = Setting("DeviceAuto") != "0";
  const model::TCommType commType =
      automatic ? model::ctSerial : TFpUtil::StrToEnum<model::TCommType>(Setting("ComType"));
  const std::string configuredPort = Setting("ComPort");

  if (commType == model::ctTcp) return GetTcpDeviceFromSettings(parFiscalMemoryNo);

  if (auto fp = GetSerialDeviceFromSettings(parFiscalMemoryNo)) {
    Log("Found device in settings");
    return fp;
  }

  Log("No valid device in settings");
  const model::TFpDeviceInfoList devices = ListComDevices(parCreatePort);
  Log("Found devices: " + std::to_string(devices.size()));

  const model::TFpDeviceInfo* chosen = nullptr;
  for (const auto& device : devices) {
    const bool fits = parFiscalMemoryNo.empty() ? device->ComPort == configuredPort
                                                : device->DeviceMemoryNumber == parFiscalMemoryNo;
    if (fits) {
      chosen = device.get();
      break;
    }
  }
  // Without a number any device will do; a device found this way is remembered for the next run.
  if (!chosen && parFiscalMemoryNo.empty() && !devices.empty()) {
    chosen = devices.front().get();
    if (automatic) {
      support::TPrgSettings& settings = support::TRuntime::Settings();
      settings.SetValue("FpType", TFpUtil::EnumToStr(chosen->DeviceType));
      settings.SetValue("ComPort", chosen->ComPort);
      settings.SetValue("ComBaudRate", chosen->BaudRate);
    }
  }

  if (!chosen) {
    if (!parFiscalMemoryNo.empty())
      throw model::ERuvexError("Не е намерено фискално устройство с номер на фискална памет " + parFiscalMemoryNo +
                               "!");
    if (automatic) throw model::ERuvexError("Автоматични настройки, но не е намерено фискално устройство!");
    throw model::ERuvexError("Не е намерено фискално устройство!");
  }

  auto fp = CreateFp(chosen->DeviceType);
  if (!fp) throw model::ERuvexError("Не е намерено фискално устройство!");
  fp->Init(chosen->ComPort, chosen->BaudRate);
  return fp;
}

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::GetTcpDeviceFromSettings(const std::string& parFiscalMemoryNo) {
  const std::string address = Setting("Ipv4Address");
  const int port = SettingToInt(Setting("Ipv4Port"));
  const std::string familyText = Setting("FpType");
  auto fp = CreateFp(TFpUtil::StrToEnum<TFpDeviceType>(familyText));
  if (!fp)
    throw model::ERuvexError("В конфигурацията е указано, че ФУ комуникира по TCP, но типът на ФУ \"" + familyText +
                             "\" не е познат!");
  fp->Init(address, port);
  if (parFiscalMemoryNo.empty()) return fp;  // nothing is sent: the run flow opens the connection

  const std::string endpoint = address + ":" + std::to_string(port);
  const driver::TFpResultPtr status = fp->GetStatus(true);
  if (!IsValidDevice(*fp, *status))
    throw model::ERuvexError("В конфигурацията е указано, че ФУ комуникира по TCP, но не е намерено устройство на " +
                             endpoint);
  if (status->FpMem != parFiscalMemoryNo)
    throw model::ERuvexError("Намерено е фискално устройство на TCP" + endpoint +
                             ", но не е с търсения номер на фискална памет " + parFiscalMemoryNo);
  return fp;
}

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::GetSerialDeviceFromSettings(
    const std::string& parFiscalMemoryNo) {
  const std::string familyText = Setting("FpType");
  const std::string comPort = Setting("ComPort");
  const std::string baudRate = Setting("ComBaudRate");
  Log("GetSerialDeviceFromSettings: aSettingsDeviceTypeStr: " + familyText + ", aSettingsComPort:" + comPort +
      ", aSettingsBaudRate:" + baudRate + ".");
  if (familyText.empty() || comPort.empty() || baudRate.empty()) return nullptr;

  // Whatever goes wrong here only means the settings do not lead to the device: the probe follows.
  std::unique_ptr<driver::TFpBasic> fp;
  try {
    fp = CreateFp(TFpUtil::StrToEnum<TFpDeviceType>(familyText));
    if (!fp) return nullptr;
    fp->Init(comPort, baudRate);
    const driver::TFpResultPtr status = fp->GetStatus(true);
    fp->ClosePort();
    const bool fits = parFiscalMemoryNo.empty() || status->FpMem == parFiscalMemoryNo;
    if (IsValidDevice(*fp, *status) && fits) return fp;
  } catch (...) {
    if (fp) fp->ClosePort();
  }
  return nullptr;
}

bool TFpManagerBasic::IsValidDevice(driver::TFpBasic& parFp, const model::TFpResult& parStatus) {
  return parStatus.ResultType == model::fprOk && model::StartsWith(parStatus.FpNo, parFp.VendorLetters()) &&
         parFp.CheckModel(parStatus);
}

}  // namespace discovery
