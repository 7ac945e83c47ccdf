#pragma once
// Finding the device for a fiscal-memory number (settings first, then probing every serial port
// at every speed with every family) and listing the devices that answer.
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
};

}  // namespace discovery
