#pragma once
// Finding the device for a fiscal-memory number (settings first, then probing every serial port
// at every speed with every family) and listing the devices that answer.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/fp_basic.h"
#include "model/device_info.h"

namespace discovery {

class TFpManagerBasic {
public:
  // A driver configured (not necessarily open) for the device; throws with a Bulgarian message when none qualifies.
  static std::unique_ptr<driver::TFpBasic> GetDevice(const std::string& parFiscalMemoryNo);
  // A new driver of the family; null for fpdtNone and unknown values.
  static std::unique_ptr<driver::TFpBasic> CreateFp(model::TFpDeviceType parFpType);
  // Probes all serial ports; the devices found, in the order found.
  static model::TFpDeviceInfoList ListComDevices();
  static bool FindFpSettings(std::string& outType, std::string& outComPort, std::string& outBaudRate);
  static bool FindFpSettings(driver::TFpBasic& parFp, const std::vector<std::string>& parComList,
                             const std::vector<std::string>& parBaudList, std::string& outComPort,
                             std::string& outBaudRate);

  // True when the status is fprOk, FpNo begins with the vendor letters and CheckModel accepts it.
  static bool IsValidDevice(driver::TFpBasic& parFp, const model::TFpResult& parStatus);
  // The system's serial ports sorted ignoring case; RUVEX_SERIAL_PORTS (comma-separated) replaces the list.
  static std::vector<std::string> ListSerialPorts();
  static std::vector<std::string> ListBaudRates();

  // ---- the probe, with the port objects made by parCreatePort (TFpBasic::CreatePort unless given) ----
  using TPortFactory =
      std::function<std::unique_ptr<platform::ISerialPort>(const std::string& parComPort, model::TBaudRate parBaudRate)>;
  static std::unique_ptr<driver::TFpBasic> GetDevice(const std::string& parFiscalMemoryNo,
                                                     const TPortFactory& parCreatePort);
  static model::TFpDeviceInfoList ListComDevices(const TPortFactory& parCreatePort);
  // Families in probe order: Daisy, DatecsA, DatecsB, DatecsC, Eltrade, Tremol.
  static std::vector<model::TFpDeviceType> ProbeFamilies();
  // Each port at each speed with each family until one answers; appends a descriptor per port found.
  static void ProbeDevices(const std::vector<model::TFpDeviceType>& parFamilies,
                           const std::vector<std::string>& parComList, model::TFpDeviceInfoList& parList,
                           const std::vector<std::string>& parBaudList, const TPortFactory& parCreatePort);

private:
  static std::unique_ptr<driver::TFpBasic> GetTcpDeviceFromSettings(const std::string& parFiscalMemoryNo);
  static std::unique_ptr<driver::TFpBasic> GetSerialDeviceFromSettings(const std::string& parFiscalMemoryNo);
};

}  // namespace discovery
