#include "model/device_info.h"

#include <cstdio>

#include "model/fp_util.h"
#include "model/text.h"

namespace model {

TFpDeviceInfo::TFpDeviceInfo(TFpDeviceType parFpType, std::string parComPort, std::string parBaudRate)
    : DeviceType(parFpType),
      CommunicationType(ctSerial),
      ComPort(std::move(parComPort)),
      BaudRate(std::move(parBaudRate)) {}

TFpDeviceInfo::TFpDeviceInfo(TFpDeviceType parFpType, std::string parIpAddress, std::int32_t parIpPort)
    : DeviceType(parFpType), CommunicationType(ctTcp), IpAddress(std::move(parIpAddress)), IpPort(parIpPort) {}

std::string JsonEscape(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char16_t u : Utf8ToUtf16(utf8)) {
    switch (u) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'/': out += "\\/"; break;
      case u'\b': out += "\\b"; break;
      case u'\t': out += "\\t"; break;
      case u'\n': out += "\\n"; break;
      case u'\f': out += "\\f"; break;
      case u'\r': out += "\\r"; break;
      default:
        if (u < 32 || u > 127) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(u));
          out += buf;
        } else {
          out += static_cast<char>(u);
        }
    }
  }
  return out;
}

namespace {

void Member(std::string& out, const char* name, const std::string& text, bool first = false) {
  if (!first) out += ',';
  out.append("\"").append(name).append("\":\"").append(JsonEscape(text)).append("\"");
}

}  // namespace

std::string TFpDeviceInfoRoot::ToJson() const {
  std::string out = "{\"items\":[";
  bool firstItem = true;
  for (const TFpDeviceInfo* item : Items) {
    if (!item) continue;
    if (!firstItem) out += ',';
    firstItem = false;
    out += '{';
    Member(out, "deviceType", TFpUtil::EnumToStr(item->DeviceType), true);
    Member(out, "deviceMemoryNumber", item->DeviceMemoryNumber);
    Member(out, "deviceNumber", item->DeviceNumber);
    Member(out, "communicationType", TFpUtil::EnumToStr(item->CommunicationType));
    Member(out, "comPort", item->ComPort);
    Member(out, "baudRate", item->BaudRate);
    Member(out, "ipAddress", item->IpAddress);
    out.append(",\"ipPort\":").append(std::to_string(item->IpPort)).append("}");
  }
  out += "]}";
  return out;
}

}  // namespace model
