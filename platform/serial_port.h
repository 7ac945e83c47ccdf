#pragma once
// Serial line: 8 data bits, no parity, 1 stop bit, no flow control, DTR/RTS off, raw bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ISerialPort {
public:
  virtual ~ISerialPort() = default;

  virtual const std::string& Name() const = 0;
  virtual void SetName(const std::string& name) = 0;
  // Bits per second; 0 means "no such speed" and makes Open fail.
  virtual int Baud() const = 0;
  virtual void SetBaud(int baud) = 0;

  // Throws std::runtime_error with a readable message when the port cannot be opened.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Writes every byte and waits until drained, bounded by 1000 ms + 100 ms per byte. Throws on failure.
  virtual void Write(const std::uint8_t* data, std::size_t count) = 0;
  // Returns at once with what has arrived (possibly 0 bytes). Throws on a hard failure.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
  // Drops whatever the driver holds in its input and output queues.
  virtual void Purge() = 0;
};

// A new, closed port object for the given name and speed.
std::unique_ptr<ISerialPort> CreateSerialPort(const std::string& name, int baud);

}  // namespace platform
