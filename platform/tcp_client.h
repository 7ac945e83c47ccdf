#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ITcpClient {
public:
  virtual ~ITcpClient() = default;
  // IPv4 text address; throws std::runtime_error when no connection within timeoutMs.
  virtual void Connect(const std::string& host, std::uint16_t port, int timeoutMs) = 0;
  virtual void Disconnect() = 0;
  virtual bool IsConnected() const = 0;
  // Sends every byte; throws on failure.
  virtual void Write(const std::uint8_t* data, std::size_t count) = 0;
  // Waits up to waitMs for data, then takes at most count bytes; the rest stays for the next call.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t count, int waitMs) = 0;
  // Drops bytes queued for sending; bytes already received are kept.
  virtual void DiscardOutput() = 0;
};

std::unique_ptr<ITcpClient> CreateTcpClient();

}  // namespace platform
