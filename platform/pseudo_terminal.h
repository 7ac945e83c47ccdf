#pragma once
// A pseudo-terminal pair for tests and the device emulator: the slave path is opened as a serial
// port by the driver, the master end plays the device.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class TPseudoTerminal {
public:
  // Opens the pair with the slave side in raw mode. Throws std::runtime_error when the system has none.
  TPseudoTerminal();
  ~TPseudoTerminal();
  TPseudoTerminal(const TPseudoTerminal&) = delete;
  TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

  // Device path of the slave side, such as /dev/pts/7.
  const std::string& SlavePath() const { return mSlavePath; }
  int MasterFd() const { return mMaster; }

  // Waits up to waitMs for bytes from the slave side and takes at most count of them; 0 when
  // nothing arrived.
  std::size_t Read(std::uint8_t* buffer, std::size_t count, int waitMs);
  // Sends every byte to the slave side; throws when they cannot be delivered within a second.
  void Write(const std::uint8_t* data, std::size_t count);
  void Write(const std::string& bytes) { Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()); }

private:
  int mMaster = -1;
  int mSlaveKeeper = -1;
  std::string mSlavePath;
};

}  // namespace platform
