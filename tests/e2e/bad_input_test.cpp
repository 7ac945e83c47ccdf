// What the program gives for bad input and faults, end to end: script lines that cannot run, a
// device that answers garbage, too much or nothing in the middle of a receipt, a TCP peer that
// resets, a settings file that is read-only or cannot be read, and a log held by another program.
// Each run must end with a clear result in Return.txt (exit code 0), and nothing the device did may
// be lost or done twice.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e_harness.h"
#include "script_shop.h"

namespace {

using e2e::LineValue;
using e2e::TScriptShop;
using e2e::TSent;

namespace fs = std::filesystem;

// The commands every script run sends first: the device check from the settings, then its clock.
const std::vector<TSent> kDaisyLookup = {{"5A", "", ""}, {"3E", "", ""}};

std::vector<TSent> Then(std::vector<TSent> first, const std::vector<TSent>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// ---- script lines that cannot run ----

struct TBadLine {
  const char* Name;
  const char* Script;
  const char* Type;
  const char* Text;
  std::vector<TSent> Sent;  // after the lookup
};

// None of these reaches the device with a line it cannot take: the script stops at the bad line
// (an unknown command is skipped and logged), and the result says which text was wrong.
const TBadLine kBadLines[] = {
    {"unknown command skipped", "Nonsense;1\r\nXReport\r\n", "fprOk", "", {{"45", "0", ""}}},
    {"bad number", "CashInOut;12,5€\r\nXReport\r\n", "fprError", "'12.5€' is not a valid floating point value", {}},
    {"bad date", "ReportPeriodShort;2024-3-1;2024-03-31\r\n", "fprError", "'2024-3-1' is not a valid date and time", {}},
    {"unknown payment name", "FiscalBonTotal;;;Bitcoin;5\r\n", "fprError", "Недефинирана команда за вендора!", {}},
};

TEST(BadInputE2E, ScriptLinesThatCannotRunStopBeforeTheDeviceIsAsked) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty);
  std::vector<TSent> expected;
  for (const TBadLine& c : kBadLines) {
    SCOPED_TRACE(c.Name);
    shop.RunFile(c.Script);
    const std::string text = shop.Home.ReturnText();
    EXPECT_EQ(LineValue(text, "ResultType: "), c.Type);
    EXPECT_EQ(LineValue(text, "ResultText: "), c.Text);
    // An error raised by a line names the computer that ran the script.
    if (std::string(c.Type) == "fprError") {
      EXPECT_EQ(LineValue(text, "FpNo: "), e2e::ComputerName());
    }
    expected = Then(Then(expected, kDaisyLookup), c.Sent);
    EXPECT_EQ(e2e::Received(shop.Device), expected);
  }
  EXPECT_NE(shop.Home.Read("ruvex.log").find("TFpBasic.SendFile line not recognized aLine: Nonsense;1"),
            std::string::npos);
}

// ---- a device that misbehaves ----

TEST(BadInputE2E, GarbledRepliesAreAskedForFiveTimesAndActedOnOnce) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty, {"--fault", "0x45:bad-checksum"});
  shop.RunFile("XReport\r\n");
  const std::string text = shop.Home.ReturnText();
  EXPECT_EQ(LineValue(text, "ResultCode: "), "ERROR");
  EXPECT_EQ(LineValue(text, "ResultType: "), "fprErrorInResponse");
  // The same frame five times; the device recognises the resends and prints one report.
  EXPECT_EQ(e2e::Received(shop.Device), Then(kDaisyLookup, {{"45", "0", " faults=0x45:bad-checksum"},
                                                            {"45", "0", " dup faults=0x45:bad-checksum"},
                                                            {"45", "0", " dup faults=0x45:bad-checksum"},
                                                            {"45", "0", " dup faults=0x45:bad-checksum"},
                                                            {"45", "0", " dup faults=0x45:bad-checksum"}}));
}

TEST(BadInputE2E, DeviceSilentInTheMiddleOfAReceiptLeavesItOpenForTheNextScriptToCancel) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty, {"--fault", "0x31:drop"});
  shop.RunFile("FiscalBonStart;;;\r\nFiscalBonItem;Хляб;;А;1.20;2\r\nFiscalBonTotal;;;Cash\r\nFiscalBonEnd\r\n");
  std::string text = shop.Home.ReturnText();
  EXPECT_EQ(LineValue(text, "ResultType: "), "fprNoResponse");
  EXPECT_EQ(LineValue(text, "ResultText: "), "Няма отговор!");
  // Nothing after the item went out: no payment, no closing of a receipt the device never completed.
  const std::vector<TSent> received = e2e::Received(shop.Device);
  ASSERT_EQ(received.size(), 8u);
  EXPECT_EQ(received[2].Command, "30");
  for (std::size_t i = 3; i < received.size(); ++i) EXPECT_EQ(received[i].Command, "31");

  // The receipt is still open on the device; the next script cancels it (Daisy's 0x82).
  shop.RunFile("FiscalBonCancel\r\n");
  text = shop.Home.ReturnText();
  EXPECT_EQ(LineValue(text, "ResultType: "), "fprOk");
  EXPECT_EQ(e2e::Received(shop.Device), Then(Then(received, kDaisyLookup), {{"82", "", ""}}));
}

// A loopback TCP peer that plays a broken device: it answers every request with more bytes than a
// reply may have, or resets the connection as soon as a request arrives.
class TBrokenTcpDevice {
public:
  enum class TKind { Oversized, Reset };

  explicit TBrokenTcpDevice(TKind kind) : mKind(kind) {
    mListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (mListen < 0 || ::bind(mListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(mListen, 4) != 0 || ::getsockname(mListen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen on the loopback");
    mPort = ntohs(address.sin_port);
    if (::pipe2(mStop, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    mThread = std::thread([this] { Serve(); });
  }
  ~TBrokenTcpDevice() {
    (void)!::write(mStop[1], "x", 1);
    mThread.join();
    ::close(mListen);
    ::close(mStop[0]);
    ::close(mStop[1]);
  }

  int Port() const { return mPort; }
  int Requests() const { return mRequests; }

private:
  // Waits for the socket or the stop signal; true when the socket is ready.
  bool Ready(int fd) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {mStop[0], POLLIN, 0}};
    return ::poll(fds, 2, -1) > 0 && (fds[1].revents == 0) && (fds[0].revents != 0);
  }

  void Serve() {
    while (Ready(mListen)) {
      const int peer = ::accept4(mListen, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) continue;
      char buffer[512];
      while (Ready(peer) && ::read(peer, buffer, sizeof buffer) > 0) {
        ++mRequests;
        if (mKind == TKind::Reset) {
          const linger hard{1, 0};  // close with RST instead of FIN
          ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
          break;
        }
        const std::string reply(1500, 'A');
        (void)!::write(peer, reply.data(), reply.size());
      }
      ::close(peer);
    }
  }

  TKind mKind;
  int mListen = -1;
  int mStop[2] = {-1, -1};
  int mPort = 0;
  std::atomic<int> mRequests{0};
  std::thread mThread;
};

struct TBrokenPeerCase {
  const char* Name;
  TBrokenTcpDevice::TKind Kind;
  const char* Type;
  const char* TextPart;  // a piece of ResultText
};

void PrintTo(const TBrokenPeerCase& c, std::ostream* out) { *out << c.Name; }

class BrokenTcpPeerE2E : public ::testing::TestWithParam<TBrokenPeerCase> {};

TEST_P(BrokenTcpPeerE2E, EndsTheStatusRequestWithAClearResult) {
  const TBrokenPeerCase& c = GetParam();
  TBrokenTcpDevice device(c.Kind);
  e2e::TRuvexHome home;
  home.WriteSettings({"DeviceAuto=0", "ComType=ctTcp", "Ipv4Address=127.0.0.1",
                      "Ipv4Port=" + std::to_string(device.Port()), "FpType=Daisy"});
  const e2e::TRun run = home.Run({"/getStatus"}, {});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  const std::string text = home.ReturnText();
  EXPECT_EQ(LineValue(text, "ResultCode: "), "ERROR");
  EXPECT_EQ(LineValue(text, "ResultType: "), c.Type);
  EXPECT_NE(LineValue(text, "ResultText: ").find(c.TextPart), std::string::npos) << text;
  // Too much is not asked for again (more bytes will not make it a reply): one request for the
  // status, one for the clock.
  if (c.Kind == TBrokenTcpDevice::TKind::Oversized) {
    EXPECT_EQ(device.Requests(), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Peers, BrokenTcpPeerE2E,
    ::testing::Values(
        TBrokenPeerCase{"oversized", TBrokenTcpDevice::TKind::Oversized, "fprErrorInResponse",
                        "Отговорът на устройството надхвърля 1001 байта!"},
        TBrokenPeerCase{"reset", TBrokenTcpDevice::TKind::Reset, "fprUnknownError", "127.0.0.1"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- the program's own files ----

TEST(BadInputE2E, ReadOnlySettingsFileStillRunsTheJobAndStaysReadOnly) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty);
  const std::string settings = shop.Home.PathOf("ruvex.ini");
  const std::string before = shop.Home.Read("ruvex.ini");
  fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  shop.Run({"/getStatus"});
  EXPECT_EQ(LineValue(shop.Home.ReturnText(), "ResultType: "), "fprOk");
  EXPECT_EQ(shop.Home.Read("ruvex.ini"), before);
  EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST(BadInputE2E, SettingsFileThatCannotBeReadStillLeavesAResult) {
  e2e::TRuvexHome home;
  home.Write("Return.txt", "ResultCode: OK\r\n");  // what an earlier run left
  // A file that exists but refuses to be read, even by root (on Windows: a file another program
  // holds open without sharing).
  fs::create_symlink("/proc/self/mem", home.PathOf("ruvex.ini"));

  const e2e::TRun run = home.Run({"/getStatus"}, {});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Stdout.find("ruvex.ini"), std::string::npos) << run.Stdout;
  const std::string text = home.ReturnText();
  EXPECT_EQ(LineValue(text, "ResultCode: "), "ERROR");
  EXPECT_EQ(LineValue(text, "ResultType: "), "fprUnknownError");
  EXPECT_NE(LineValue(text, "ResultText: ").find("ruvex.ini"), std::string::npos) << text;
  EXPECT_TRUE(fs::is_symlink(home.PathOf("ruvex.ini")));  // nothing saved over it
}

TEST(BadInputE2E, LogHeldByAnotherProgramDoesNotStopTheJob) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty);
  shop.Home.Write("ruvex.log", "held\r\n");
  const int log = ::open(shop.Home.PathOf("ruvex.log").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(log, 0);
  ASSERT_EQ(::flock(log, LOCK_EX), 0);

  // The device lookup and the unknown line would both be logged.
  shop.RunFile("Nonsense\r\nXReport\r\n");
  ::close(log);

  EXPECT_EQ(LineValue(shop.Home.ReturnText(), "ResultType: "), "fprOk");
  EXPECT_EQ(e2e::Received(shop.Device), Then(kDaisyLookup, {{"45", "0", ""}}));
  EXPECT_EQ(shop.Home.Read("ruvex.log"), "held\r\n");
}

}  // namespace
