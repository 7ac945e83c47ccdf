#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/enum_names.h"

namespace model {

enum class TFpDeviceType : std::uint8_t { fpdtNone, Daisy, DatecsA, DatecsB, DatecsC, Tremol, Eltrade };
template <>
struct TEnumNames<TFpDeviceType> {
  static constexpr std::array<std::string_view, 7> Names = {"fpdtNone", "Daisy",  "DatecsA", "DatecsB",
                                                            "DatecsC",  "Tremol", "Eltrade"};
};

enum TCommType : std::uint8_t { ctNone, ctSerial, ctTcp };
template <>
struct TEnumNames<TCommType> {
  static constexpr std::array<std::string_view, 3> Names = {"ctNone", "ctSerial", "ctTcp"};
};

class TFpDeviceInfo {
public:
  // Serial descriptor.
  TFpDeviceInfo(TFpDeviceType parFpType, std::string parComPort, std::string parBaudRate);
  // TCP descriptor.
  TFpDeviceInfo(TFpDeviceType parFpType, std::string parIpAddress, std::int32_t parIpPort);

  TFpDeviceType DeviceType = TFpDeviceType::fpdtNone;
  std::string DeviceMemoryNumber;
  std::string DeviceNumber;
  TCommType CommunicationType = ctNone;
  std::string ComPort;
  std::string BaudRate;
  std::string IpAddress;
  std::int32_t IpPort = 0;
};

using TFpDeviceInfoList = std::vector<std::unique_ptr<TFpDeviceInfo>>;

// The root of the device list; refers to descriptors owned elsewhere.
class TFpDeviceInfoRoot {
public:
  explicit TFpDeviceInfoRoot(std::vector<const TFpDeviceInfo*> parItems) : Items(std::move(parItems)) {}
  std::vector<const TFpDeviceInfo*> Items;
  // {"items":[...]} with no blanks; see JsonEscape.
  std::string ToJson() const;
};

// JSON string body: \" \\ \/ \b \t \n \f \r, other controls and every UTF-16 unit above 127 as \uXXXX (upper case).
std::string JsonEscape(const std::string& utf8);

}  // namespace model
