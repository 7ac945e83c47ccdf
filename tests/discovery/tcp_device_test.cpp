// The TCP path of device selection against a Daisy device listening on the loopback interface.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "discovery/discovery_rig.h"
#include "model/errors.h"

namespace {

using disctest::TRig;
using discovery::TFpManagerBasic;

// Accepts one connection and answers every status request with the given device numbers.
class TLoopbackDevice {
public:
  TLoopbackDevice(std::string fpNo, std::string fpMem) : mAnswer("Model,1.00,01-01-24,ABCD," + fpNo + "," + fpMem) {
    mListener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(mListener, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(mListener, 4) != 0 ||
        ::getsockname(mListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      throw std::runtime_error("loopback listener");
    Port = ntohs(addr.sin_port);
  }
  ~TLoopbackDevice() {
    if (mServer.joinable()) mServer.join();
    ::close(mListener);
  }
  // Whether a client has connected (pending or accepted).
  bool ConnectionPending() const {
    pollfd p{mListener, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }
  void Serve() {
    mServer = std::thread([this] {
      pollfd p{mListener, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) return;
      const int conn = ::accept(mListener, nullptr, nullptr);
      fakes::Bytes pending;
      std::uint8_t buf[512];
      for (;;) {
        pollfd c{conn, POLLIN, 0};
        if (::poll(&c, 1, 5000) <= 0) break;
        const ssize_t n = ::recv(conn, buf, sizeof buf, 0);
        if (n <= 0) break;
        pending.insert(pending.end(), buf, buf + n);
        // One whole request frame: 01 LEN SEQ CMD ... 03, LEN counting up to the 05 byte.
        while (pending.size() >= 10 && pending.size() >= std::size_t(pending[1] - 0x20 + 6)) {
          const std::size_t size = pending[1] - 0x20 + 6;
          const fakes::Bytes reply =
              devtest::Reply6(pending[2], pending[3], mAnswer, {0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
          ::send(conn, reply.data(), reply.size(), MSG_NOSIGNAL);
          pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(size));
        }
      }
      ::close(conn);
    });
  }
  int Port = 0;

private:
  std::string mAnswer;
  int mListener = -1;
  std::thread mServer;
};

class TcpDeviceTest : public ::testing::Test {
protected:
  void Configure(int port) {
    rig.Settings.SetValue("DeviceAuto", "0");
    rig.Settings.SetValue("ComType", "ctTcp");
    rig.Settings.SetValue("FpType", "Daisy");
    rig.Settings.SetValue("Ipv4Address", "127.0.0.1");
    rig.Settings.SetValue("Ipv4Port", std::to_string(port));
  }
  std::string Thrown(const std::string& fpMem) {
    try {
      TFpManagerBasic::GetDevice(fpMem, rig.Factory());
    } catch (const std::exception& e) {
      return e.what();
    }
    return "<no error>";
  }
  TRig rig;
};

TEST_F(TcpDeviceTest, WithoutNumberNothingIsSent) {
  TLoopbackDevice device("DY000009", "36000009");
  Configure(device.Port);
  auto fp = TFpManagerBasic::GetDevice("", rig.Factory());
  ASSERT_NE(fp, nullptr);
  EXPECT_TRUE(fp->IsIpComm());
  EXPECT_FALSE(fp->IsConnected());
  EXPECT_FALSE(device.ConnectionPending());
  EXPECT_TRUE(rig.Created.empty());  // no serial port touched either
}

TEST_F(TcpDeviceTest, NumberIsCheckedAgainstTheDevice) {
  TLoopbackDevice device("DY000009", "36000009");
  device.Serve();
  Configure(device.Port);
  auto fp = TFpManagerBasic::GetDevice("36000009", rig.Factory());
  ASSERT_NE(fp, nullptr);
  EXPECT_TRUE(fp->IsConnected());  // left open after the check
  fp.reset();

  TLoopbackDevice other("DY000009", "36000009");
  other.Serve();
  Configure(other.Port);
  EXPECT_EQ(Thrown("36000001"), "Намерено е фискално устройство на TCP127.0.0.1:" + std::to_string(other.Port) +
                                    ", но не е с търсения номер на фискална памет 36000001");
}

TEST_F(TcpDeviceTest, NoValidDeviceAtTheAddress) {
  // A device of another vendor answers; then nothing listens at all.
  TLoopbackDevice foreign("DT000009", "36000009");
  foreign.Serve();
  Configure(foreign.Port);
  const std::string prefix = "В конфигурацията е указано, че ФУ комуникира по TCP, но не е намерено устройство на ";
  EXPECT_EQ(Thrown("36000009"), prefix + "127.0.0.1:" + std::to_string(foreign.Port));

  int closedPort = 0;
  {
    TLoopbackDevice gone("", "");
    closedPort = gone.Port;
  }
  Configure(closedPort);
  EXPECT_EQ(Thrown("36000009"), prefix + "127.0.0.1:" + std::to_string(closedPort));
}

TEST_F(TcpDeviceTest, BadPortOrFamilySettings) {
  Configure(0);
  rig.Settings.SetValue("Ipv4Port", "41a");
  EXPECT_THROW(TFpManagerBasic::GetDevice("", rig.Factory()), model::EConvertError);
  EXPECT_EQ(Thrown(""), "'41a' is not a valid integer value");
  rig.Settings.SetValue("Ipv4Port", "");
  EXPECT_EQ(Thrown(""), "'' is not a valid integer value");

  rig.Settings.SetValue("Ipv4Port", "4999");
  rig.Settings.SetValue("FpType", "Olivetti");
  EXPECT_NE(Thrown("").find("Olivetti"), std::string::npos);
}

}  // namespace
