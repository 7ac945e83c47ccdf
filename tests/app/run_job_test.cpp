// The run flow through the in-process entry, in a temp folder laid out like an installation:
// bin/ holds the executable's files (settings, log, params.txt, Return.txt), work/ is the current directory.
#include "app/entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "model/text.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "app/test_folder.h"
#include "fakes/env_scope.h"

namespace {

namespace fs = std::filesystem;

const char* const kNoDevice = "Автоматични настройки, но не е намерено фискално устройство!";

class RunFlowTest : public ::testing::Test {
protected:
  RunFlowTest() : mPreviousCwd(fs::current_path()) {
    fs::create_directories(Bin());
    fs::create_directories(Work());
    fs::current_path(Work());
  }
  ~RunFlowTest() override { fs::current_path(mPreviousCwd); }

  std::string Bin() const { return dir.Path() + "/bin/"; }
  std::string Work() const { return dir.Path() + "/work/"; }
  std::string Exe() const { return Bin() + "ruvex"; }

  int Run(std::vector<std::string> args) {
    app::TRunEnvironment env;
    env.ExecutablePath = Exe();
    env.ExecutableFolder = Bin();
    env.Arguments = std::move(args);
    env.ComputerName = "kassa1";
    env.Out = &out;
    return app::RunEntry(env);
  }

  static std::string Read(const std::string& path) {
    return platform::FileExists(path) ? platform::ReadAllBytes(path) : std::string("<missing>");
  }
  // Return.txt split into its lines, still in the ANSI code page.
  std::vector<std::string> ReturnLines() const { return model::SplitAll(Read(Bin() + "Return.txt"), "\r\n"); }
  // A line as Return.txt holds it.
  static std::string Ansi(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

  app_tests::TestFolder dir;
  // Discovery must not probe the serial ports of the machine running the tests.
  fakes::TEnvScope ports{"RUVEX_SERIAL_PORTS", "ruvex-no-such-port"};
  std::ostringstream out;

private:
  fs::path mPreviousCwd;
};

TEST_F(RunFlowTest, StatusWithoutDeviceReportsTheErrorAndSavesTheSettings) {
  EXPECT_EQ(Run({"/getStatus"}), 0);
  EXPECT_EQ(out.str(), "");

  const std::string raw = Read(Bin() + "Return.txt");
  EXPECT_NE(raw.find(platform::Utf8ToAnsi(kNoDevice)), std::string::npos);  // one byte per character, no mark
  const auto lines = ReturnLines();
  ASSERT_EQ(lines.size(), 13u);  // twelve lines, each ended by CR LF
  EXPECT_EQ(lines[0], "ResultCode: ERROR");
  EXPECT_EQ(lines[1], "ResultType: fprUnknownError");
  EXPECT_EQ(lines[2], Ansi(std::string("ResultText: ") + kNoDevice));
  EXPECT_EQ(lines[6], "FpNo: ");

  EXPECT_NE(Read(Exe() + ".log").find(kNoDevice), std::string::npos);
  EXPECT_NE(Read(Exe() + ".ini").find("DeviceAuto_kassa1=1\r\n"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(Work() + "Return.txt"));
}

TEST_F(RunFlowTest, ErrorsOfTheJobBecomeAnUnknownErrorResult) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"/getUnp:123", "/listDevices"}, "List index out of bounds (1)"},
      {{"/writeBon", "/input:no-such-bon.txt"}, "File not found: \"no-such-bon.txt\""},
      {{"/getStatus", "/writeBon:a:b:c:d:S"}, kNoDevice},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(message);
    fs::remove(Bin() + "Return.txt");
    Run(args);
    const auto lines = ReturnLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "ResultType: fprUnknownError");
    EXPECT_EQ(lines[2], Ansi("ResultText: " + message));
    EXPECT_NE(Read(Exe() + ".log").find(message), std::string::npos);
  }
  EXPECT_EQ(out.str(), "");
}

TEST_F(RunFlowTest, DeviceListFromParamsFileGoesToReturnFileAndRelativeOutputFile) {
  // params.txt in the executable's folder wins over the command line, whatever the current directory.
  platform::WriteAllBytes(Bin() + "params.txt", "/listDevices\r\n/getStatus /writeBon:a:b:c:d:S\r\n/output:out.txt\r\n");
  EXPECT_EQ(Run({"/getStatus", "/output:ignored.txt"}), 0);
  EXPECT_EQ(out.str(), "");

  const auto lines = ReturnLines();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "ResultCode: OK");
  EXPECT_EQ(lines[1], "ResultType: fprOk");
  EXPECT_EQ(lines[10], "FpDateTime: 1899-12-30 00:00:00");
  EXPECT_EQ(lines[11], "Json: {\"items\":[]}");

  EXPECT_FALSE(platform::FileExists(Work() + "ignored.txt"));
  EXPECT_FALSE(platform::FileExists(Bin() + "out.txt"));
  const std::string bytes = Read(Work() + "out.txt");
  ASSERT_GE(bytes.size(), 2u);
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  ASSERT_EQ(bytes.size() % 2, 0u);
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  const std::string text = model::Utf16ToUtf8(units);
  const std::string shortForm = platform::AnsiToUtf8(Read(Bin() + "Return.txt"));
  ASSERT_EQ(text.substr(0, shortForm.size()), shortForm);
  const std::string longStart = "\r\nRequest: \r\nRequestRaw: \r\nResultType: fprOk\r\n";
  EXPECT_EQ(text.substr(shortForm.size(), longStart.size()), longStart);
}

// A device configured for TCP is handed out without any exchange, so these runs reach the job itself.
const char* const kTcpDevice =
    "DeviceAuto=0\r\nComType=ctTcp\r\nIpv4Address=127.0.0.1\r\nIpv4Port=1\r\nFpType=Daisy\r\n";

TEST_F(RunFlowTest, NoJobWritesNoResultFile) {
  platform::WriteAllBytes(Exe() + ".ini", kTcpDevice);
  EXPECT_EQ(Run({"/ui", "/checkStatus", "/handleBons", "/start", "/output:out.txt"}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(platform::FileExists(Bin() + "Return.txt"));
  EXPECT_FALSE(platform::FileExists(Work() + "out.txt"));
  EXPECT_EQ(Read(Exe() + ".ini"), kTcpDevice);  // saved, nothing added
}

TEST_F(RunFlowTest, UnreachableDeviceEndsStatusWithTheTransportError) {
  platform::WriteAllBytes(Exe() + ".ini", kTcpDevice);
  EXPECT_EQ(Run({"/getStatus", "/writeBon:pc:1:2:3:S,1"}), 0);
  EXPECT_EQ(out.str(), "");
  const auto lines = ReturnLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "ResultType: fprUnknownError");
  EXPECT_NE(lines[2].find("127.0.0.1:1"), std::string::npos) << lines[2];
}

TEST_F(RunFlowTest, UnwritableOutputFileKeepsReturnFileAndLeavesSettingsAlone) {
  platform::WriteAllBytes(Exe() + ".ini", "Operator=5\r\n");
  const std::string output = dir.Path() + "/no-such-folder/out.txt";
  EXPECT_EQ(Run({"/getStatus", "/output:" + output}), 0);

  EXPECT_EQ(ReturnLines()[1], "ResultType: fprUnknownError");
  EXPECT_EQ(Read(Exe() + ".ini"), "Operator=5\r\n");  // DeviceAuto would have been added by a normal end
  const std::string printed = out.str();
  ASSERT_FALSE(printed.empty());
  EXPECT_EQ(printed.back(), '\n');
  EXPECT_EQ(printed.find('\n'), printed.size() - 1);  // one line
  EXPECT_NE(printed.find(output), std::string::npos) << printed;
  EXPECT_NE(Read(Exe() + ".log").find(printed.substr(0, printed.size() - 1)), std::string::npos);
}

TEST_F(RunFlowTest, ErrorEscapingTheEntryIsPrintedWithItsKind) {
  // Neither Return.txt nor the log can be written: the error leaves the run and then the entry.
  fs::create_directories(Exe() + ".log");
  fs::create_directories(Bin() + "Return.txt");
  EXPECT_EQ(Run({"/getStatus"}), 0);
  const std::string printed = out.str();
  EXPECT_EQ(printed.rfind("Exception: ", 0), 0u) << printed;
  EXPECT_EQ(printed.find('\n'), printed.size() - 1) << printed;
  EXPECT_FALSE(platform::FileExists(Exe() + ".ini"));
}

TEST_F(RunFlowTest, LogHeldElsewhereStillLeavesTheResult) {
  fs::create_directories(Exe() + ".log");  // the log cannot take the job's error
  EXPECT_EQ(Run({"/getStatus"}), 0);
  const std::string returned = platform::AnsiToUtf8(platform::ReadAllBytes(Bin() + "Return.txt"));
  EXPECT_NE(returned.find("ResultType: fprUnknownError\r\n"), std::string::npos) << returned;
  EXPECT_EQ(out.str(), "");
}

}  // namespace
