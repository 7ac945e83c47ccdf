#include "model/device_info.h"

#include <gtest/gtest.h>

namespace model {
namespace {

TEST(DeviceJson, EmptyList) { EXPECT_EQ(TFpDeviceInfoRoot({}).ToJson(), "{\"items\":[]}"); }

TEST(DeviceJson, SerialAndTcpDescriptors) {
  TFpDeviceInfo serial(TFpDeviceType::DatecsC, "COM3", "115200");
  serial.DeviceMemoryNumber = "123";
  serial.DeviceNumber = "DT1";
  TFpDeviceInfo tcp(TFpDeviceType::Tremol, "192.0.2.7", 8000);
  EXPECT_EQ(serial.CommunicationType, ctSerial);
  EXPECT_EQ(tcp.CommunicationType, ctTcp);
  EXPECT_EQ(TFpDeviceInfoRoot({&serial, &tcp}).ToJson(),
            "{\"items\":["
            "{\"deviceType\":\"DatecsC\",\"deviceMemoryNumber\":\"123\",\"deviceNumber\":\"DT1\","
            "\"communicationType\":\"ctSerial\",\"comPort\":\"COM3\",\"baudRate\":\"115200\",\"ipAddress\":\"\","
            "\"ipPort\":0},"
            "{\"deviceType\":\"Tremol\",\"deviceMemoryNumber\":\"\",\"deviceNumber\":\"\","
            "\"communicationType\":\"ctTcp\",\"comPort\":\"\",\"baudRate\":\"\",\"ipAddress\":\"192.0.2.7\","
            "\"ipPort\":8000}]}");
}

TEST(DeviceJson, Escaping) {
  const struct {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"A/B", "A\\/B"},
      {"say \"hi\" \\ there", "say \\\"hi\\\" \\\\ there"},
      {"\b\t\n\f\r", "\\b\\t\\n\\f\\r"},
      {"\x01\x1F\x7F", "\\u0001\\u001F\x7F"},
      {"ДТ№1", "\\u0414\\u0422\\u21161"},
      {"\xF0\x9F\x98\x80", "\\uD83D\\uDE00"},  // one character outside the basic plane: two escapes
  };
  for (const auto& c : cases) EXPECT_EQ(JsonEscape(c.text), c.escaped) << c.text;

  TFpDeviceInfo d(TFpDeviceType::Daisy, "COM1", "9600");
  d.DeviceNumber = "ДТ/1";
  EXPECT_NE(TFpDeviceInfoRoot({&d}).ToJson().find("\"deviceNumber\":\"\\u0414\\u0422\\/1\""), std::string::npos);
}

}  // namespace
}  // namespace model
