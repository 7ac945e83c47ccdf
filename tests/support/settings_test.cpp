#include "support/settings.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace support {
namespace {

using testutil::TempDir;

class Settings : public ::testing::Test {
protected:
  // Writes the file, loads it as computer KASSA1, saves it and returns what was written back.
  std::string LoadAndSave(const std::string& content, const std::string& computer = "KASSA1") {
    TempDir::Write(file, content);
    TPrgSettings s(file, computer);
    s.SaveSettings();
    return TempDir::Read(file);
  }
  TPrgSettings Load(const std::string& content, const std::string& computer = "KASSA1") {
    TempDir::Write(file, content);
    return TPrgSettings(file, computer);
  }

  TempDir dir;
  std::string file = dir.File("prog.exe.ini");
};

TEST_F(Settings, MissingFileStartsWithAutomaticDiscovery) {
  TPrgSettings s(file, "KASSA1");
  EXPECT_EQ(s.GetComputerName(), "kassa1");
  EXPECT_EQ(s.Get("DeviceAuto"), "1");
  EXPECT_FALSE(TempDir::Read(file).size());  // nothing written until saved
  s.SaveSettings();
  EXPECT_EQ(TempDir::Read(file), "DeviceAuto_kassa1=1\r\n");
}

TEST_F(Settings, WrittenBackAsLoaded) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"ComPort=COM5\r\n", "ComPort=COM5\r\n"},  // a port: no DeviceAuto added
      {"DeviceAuto=0\r\n", "DeviceAuto=0\r\n"},
      {"comport=COM2", "comport=COM2\r\n"},  // CR LF after the last line, the name's case kept
      {"OperatorPassword=a=b\n", "OperatorPassword=a=b\r\nDeviceAuto_kassa1=1\r\n"},
      {"[Main]\rComPort=\nComPort=COM3\r\n", "[Main]=(empty)\r\nComPort=COM3\r\n"},
      {"ComPort=COM1\r\n\r\n=x\r\n==\r\nComType=ctTcp\r\n", "ComPort=COM1\r\nComType=ctTcp\r\n"},
      {"", "DeviceAuto_kassa1=1\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadAndSave(c.in), c.out) << c.in;
}

TEST_F(Settings, UnchangedFileIsNotRewritten) {
  // Another run that saved in the meantime keeps its values when this run changed nothing.
  TPrgSettings unchanged = Load("ComPort=COM5\r\n");
  TempDir::Write(file, "ComPort=COM7\r\n");
  unchanged.SaveSettings();
  EXPECT_EQ(TempDir::Read(file), "ComPort=COM7\r\n");

  TPrgSettings changed = Load("ComPort=COM5\r\n");
  changed.SetValue("ComBaudRate", "9600");
  changed.SaveSettings();
  EXPECT_EQ(TempDir::Read(file), "ComPort=COM5\r\nComBaudRate_kassa1=9600\r\n");
}

TEST_F(Settings, ComputerSpecificKeyWins) {
  const std::string content = "ComPort=COM1\r\nComPort_kassa1=COM7\r\n";
  EXPECT_EQ(Load(content, "KASSA1").Get("ComPort"), "COM7");
  EXPECT_EQ(Load(content, "OTHER").Get("ComPort"), "COM1");
  EXPECT_EQ(Load(content, "KASSA1").Get("COMPORT"), "COM7");
}

TEST_F(Settings, EmptyComputerSpecificValueDoesNotFallBack) {
  EXPECT_EQ(Load("ComPort=COM1\r\nComPort_kassa1=\r\n").Get("ComPort"), "");
  // The port reads empty here, so discovery is switched on for this computer as well.
  EXPECT_EQ(LoadAndSave("ComPort=COM1\r\nComPort_kassa1=\r\n"),
            "ComPort=COM1\r\nComPort_kassa1=(empty)\r\nDeviceAuto_kassa1=1\r\n");
  EXPECT_EQ(Load("ComPort=(empty)\r\n").Get("ComPort"), "");
}

TEST_F(Settings, SetValue) {
  TPrgSettings s = Load("FpType_kassa1=Daisy\r\nComPort=COM1\r\n");
  EXPECT_EQ(s.SetValue("FPTYPE", "Tremol"), "");   // replaces in place, keeps the stored name
  s.SetValue("ComPort", "COM4");                   // computer-specific: appended
  s.SetValue("ComBaudRate", "");                   // empty value is stored as the marker
  s.SetValue("Global", "g", true);
  EXPECT_EQ(s.Get("ComPort"), "COM4");
  EXPECT_EQ(s.Get("ComBaudRate"), "");
  s.SaveSettings();
  EXPECT_EQ(TempDir::Read(file),
            "FpType_kassa1=Tremol\r\nComPort=COM1\r\nComPort_kassa1=COM4\r\nComBaudRate_kassa1=(empty)\r\nGlobal=g\r\n");
}

TEST_F(Settings, NoComputerNameStoresUnderTrailingUnderscore) {
  TPrgSettings s(file, "");
  s.SetValue("ComPort", "COM9");
  EXPECT_EQ(s.Get("ComPort"), "COM9");
  s.SaveSettings();
  EXPECT_EQ(TempDir::Read(file), "DeviceAuto_=1\r\nComPort_=COM9\r\n");
}

TEST_F(Settings, RequiredKeyMissing) {
  TPrgSettings s(file, "KASSA1");
  try {
    s.Get("Ipv4Port", true);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Параметърът Ipv4Port няма въведена стойност в конфиг файла!");
  }
}

TEST_F(Settings, Encodings) {
  const struct {
    const char* name;
    const char* key;
    std::string bytes;
  } cases[] = {
      {"UTF-8 with mark", "Op", "\xEF\xBB\xBFOp=\xD0\x9A\xD0\xB0\xD1\x81\xD0\xB0\r\n"},
      {"UTF-8 without mark", "Op", "Op=\xD0\x9A\xD0\xB0\xD1\x81\xD0\xB0\r\n"},
      {"Windows-1251", "Op", "Op=\xCA\xE0\xF1\xE0\r\n"},
      {"UTF-16LE", "O", std::string("\xFF\xFEO\0=\0\x1A\x04\x30\x04\x41\x04\x30\x04\r\0\n\0", 18)},
      {"UTF-16BE", "O", std::string("\xFE\xFF\0O\0=\x04\x1A\x04\x30\x04\x41\x04\x30\0\r\0\n", 18)},
  };
  for (const auto& c : cases) {
    TPrgSettings s = Load(c.bytes);
    EXPECT_EQ(s.Get(c.key), "Каса") << c.name;
    // Written back as UTF-8 without a mark, and read back unchanged.
    s.SaveSettings();
    EXPECT_EQ(TempDir::Read(file), std::string(c.key) + "=Каса\r\nDeviceAuto_kassa1=1\r\n") << c.name;
    EXPECT_EQ(TPrgSettings(file, "KASSA1").Get(c.key), "Каса") << c.name;
  }
}

TEST_F(Settings, SettingAsInt) {
  TPrgSettings s = Load("A=250\r\nB=\r\nC=abc\r\nD=12x\r\nE= 7 \r\nF=-3\r\nG=99999999999\r\nH=+-1\r\n");
  const struct {
    const char* key;
    int expected;
  } cases[] = {{"A", 250}, {"B", 180}, {"C", 180}, {"D", 180}, {"E", 7},
               {"F", -3},  {"G", 180}, {"H", 180}, {"Missing", 180}};
  for (const auto& c : cases) EXPECT_EQ(SettingAsInt(s, c.key, 180), c.expected) << c.key;
}

}  // namespace
}  // namespace support
