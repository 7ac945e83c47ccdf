#pragma once
// Where the emulated device listens: a pseudo-terminal whose slave path a driver opens as its
// serial port, or a loopback TCP port. POSIX only.
#include <string>

namespace emulator {

// Owns one file descriptor; closes it on destruction.
class TFd {
public:
  TFd() = default;
  explicit TFd(int fd) : mFd(fd) {}
  ~TFd() { Reset(); }
  TFd(TFd&& other) noexcept : mFd(other.Release()) {}
  TFd& operator=(TFd&& other) noexcept;
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return mFd; }
  bool Valid() const { return mFd >= 0; }
  int Release();
  void Reset(int fd = -1);

private:
  int mFd = -1;
};

class TPtyEndpoint {
public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  TPtyEndpoint();
  const std::string& SlavePath() const { return mSlavePath; }
  int MasterFd() const { return mMaster.Get(); }

private:
  TFd mMaster;
  // Held open in raw mode: the master then never reports a hang-up while no driver has the port
  // open, and nothing the device writes is echoed back to it.
  TFd mSlave;
  std::string mSlavePath;
};

class TTcpListener {
public:
  // Binds 127.0.0.1:port (0: a free port). Throws std::runtime_error.
  explicit TTcpListener(int port);
  int Port() const { return mPort; }
  int Fd() const { return mSocket.Get(); }
  // A new connection, or an invalid descriptor when none is waiting.
  TFd Accept() const;

private:
  TFd mSocket;
  int mPort = 0;
};

}  // namespace emulator
