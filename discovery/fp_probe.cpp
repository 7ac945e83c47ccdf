// Listing the devices on the serial ports: every port, at every speed, with every family.
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "discovery/fp_manager.h"
#include "model/fp_util.h"
#include "model/text.h"
#include "platform/system.h"
#include "support/runtime.h"

namespace discovery {

using model::TFpDeviceType;

namespace {

// Progress lines are diagnostics: a log held by another program must not stop the device lookup.
void Log(const std::string& message) {
  if (!support::TRuntime::HasLogger()) return;
  try {
    support::TRuntime::Logger().Log(message);
  } catch (const std::exception&) {
  }
}

// Names joined by commas; a name with a blank, a comma or a double quote is quoted, inner quotes doubled.
std::string CommaText(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ",";
    const std::string& name = names[i];
    if (name.find_first_of(" ,\"") == std::string::npos) {
      out += name;
      continue;
    }
    out += '"';
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    out += '"';
  }
  return out;
}

}  // namespace

std::vector<std::string> TFpManagerBasic::ListSerialPorts() {
  std::vector<std::string> names;
  // Set (even to nothing) it names the ports to use instead of those the system reports.
  if (const char* list = std::getenv("RUVEX_SERIAL_PORTS")) {
    for (const std::string& part : model::SplitAll(list, ",")) {
      std::string name = model::Trim(part);
      if (!name.empty()) names.push_back(std::move(name));
    }
  } else {
    names = platform::SerialPortNames();
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return model::AsciiLower(a) < model::AsciiLower(b); });
  return names;
}

std::vector<std::string> TFpManagerBasic::ListBaudRates() { return {"9600", "115200", "19200", "2400"}; }

std::vector<TFpDeviceType> TFpManagerBasic::ProbeFamilies() {
  return {TFpDeviceType::Daisy, TFpDeviceType::DatecsA, TFpDeviceType::DatecsB,
          TFpDeviceType::DatecsC, TFpDeviceType::Eltrade, TFpDeviceType::Tremol};
}

model::TFpDeviceInfoList TFpManagerBasic::ListComDevices() { return ListComDevices(driver::TFpBasic::CreatePort); }

model::TFpDeviceInfoList TFpManagerBasic::ListComDevices(const TPortFactory& parCreatePort) {
  const std::vector<std::string> ports = ListSerialPorts();
  Log("Found com ports: " + std::to_string(ports.size()) + ": " + CommaText(ports));
  model::TFpDeviceInfoList devices;
  ProbeDevices(ProbeFamilies(), ports, devices, ListBaudRates(), parCreatePort);
  return devices;
}

void TFpManagerBasic::ProbeDevices(const std::vector<TFpDeviceType>& parFamilies,
                                   const std::vector<std::string>& parComList, model::TFpDeviceInfoList& parList,
                                   const std::vector<std::string>& parBaudList, const TPortFactory& parCreatePort) {
  const TPortFactory& createPort = parCreatePort ? parCreatePort : TPortFactory(driver::TFpBasic::CreatePort);
  for (const std::string& portName : parComList) {
    bool found = false;
    for (const std::string& speed : parBaudList) {
      if (found) break;
      std::unique_ptr<platform::ISerialPort> port;
      try {
        port = createPort(portName, driver::TFpBasic::GetBaudRateFromString(speed));
        port->Open();
      } catch (...) {
        break;  // a port that does not open at one speed is not tried at the others
      }
      // One port's trouble must not hide the devices on the ports after it, so an error here
      // ends only the probe of this port.
      try {
        for (TFpDeviceType family : parFamilies) {
          std::unique_ptr<driver::TFpBasic> fp = CreateFp(family);
          if (!fp) continue;
          fp->Init(port.get());  // lent: the driver leaves it open for the next family
          const driver::TFpResultPtr status = fp->GetStatus(true);
          if (IsValidDevice(*fp, *status)) {
            auto info = std::make_unique<model::TFpDeviceInfo>(family, portName, speed);
            info->DeviceMemoryNumber = status->FpMem;
            info->DeviceNumber = status->FpNo;
            parList.push_back(std::move(info));
            found = true;
            break;
          }
        }
      } catch (...) {
        found = true;
      }
      try {
        if (port->IsOpen()) port->Close();
      } catch (...) {
      }
    }
  }
}

bool TFpManagerBasic::FindFpSettings(std::string& outType, std::string& outComPort, std::string& outBaudRate) {
  const std::vector<std::string> ports = ListSerialPorts();
  const std::vector<std::string> speeds = ListBaudRates();
  for (TFpDeviceType family : ProbeFamilies()) {
    std::unique_ptr<driver::TFpBasic> fp = CreateFp(family);
    if (!fp) continue;
    if (FindFpSettings(*fp, ports, speeds, outComPort, outBaudRate)) {
      outType = model::TFpUtil::EnumToStr(family);
      return true;
    }
  }
  return false;
}

bool TFpManagerBasic::FindFpSettings(driver::TFpBasic& parFp, const std::vector<std::string>& parComList,
                                     const std::vector<std::string>& parBaudList, std::string& outComPort,
                                     std::string& outBaudRate) {
  for (const std::string& portName : parComList) {
    for (const std::string& speed : parBaudList) {
      try {
        parFp.Init(portName, speed);
        parFp.OpenPort();
        const driver::TFpResultPtr status = parFp.GetStatus(true);
        parFp.ClosePort();
        if (IsValidDevice(parFp, *status)) {
          outComPort = portName;
          outBaudRate = speed;
          return true;
        }
      } catch (...) {
        parFp.ClosePort();
      }
    }
  }
  return false;
}

}  // namespace discovery
