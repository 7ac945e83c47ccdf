// Serial ports through \\.\COMn: 8N1, no flow control, DTR and RTS off, reads that return at once.
#include <stdexcept>

#include "platform/serial_port.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

class TWin32SerialPort : public ISerialPort {
public:
  TWin32SerialPort(std::string name, int baud) : mName(std::move(name)), mBaud(baud) {}
  ~TWin32SerialPort() override { Close(); }

  const std::string& Name() const override { return mName; }
  void SetName(const std::string& name) override { mName = name; }
  int Baud() const override { return mBaud; }
  void SetBaud(int baud) override { mBaud = baud; }

  void Open() override {
    Close();
    if (mBaud <= 0) throw std::runtime_error("Serial port " + mName + ": no such speed");
    std::string device = mName.rfind("\\\\.\\", 0) == 0 ? mName : "\\\\.\\" + mName;
    HANDLE h = CreateFileW(win32::Widen(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      // A COM port opens for one program at a time; say so rather than "access denied".
      if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
        throw std::runtime_error("Cannot open serial port " + mName + ": the port is in use by another program");
      throw std::runtime_error(win32::LastErrorMessage("Cannot open serial port " + mName, code));
    }
    mHandle = h;
    SetupComm(mHandle, 1024, 1024);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(mHandle, &dcb);
    dcb.BaudRate = static_cast<DWORD>(mBaud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(mHandle, &dcb)) {
      // A line without control lines (a virtual port) may refuse the DTR/RTS part: the speed and
      // framing are what matter, so try once more leaving the control lines as they are.
      DCB plain = dcb;
      GetCommState(mHandle, &plain);
      plain.BaudRate = dcb.BaudRate;
      plain.ByteSize = 8;
      plain.Parity = NOPARITY;
      plain.StopBits = ONESTOPBIT;
      plain.fOutxCtsFlow = FALSE;
      plain.fOutxDsrFlow = FALSE;
      plain.fOutX = FALSE;
      plain.fInX = FALSE;
      if (!SetCommState(mHandle, &plain)) {
        std::string message = win32::LastErrorMessage("Cannot configure serial port " + mName);
        Close();
        throw std::runtime_error(message);
      }
    }
    EscapeCommFunction(mHandle, CLRDTR);
    EscapeCommFunction(mHandle, CLRRTS);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;  // with both totals 0: return at once with what arrived
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(mHandle, &timeouts);
    PurgeComm(mHandle, PURGE_RXCLEAR | PURGE_TXCLEAR);
  }

  void Close() override {
    if (mHandle != INVALID_HANDLE_VALUE) {
      CloseHandle(mHandle);
      mHandle = INVALID_HANDLE_VALUE;
    }
  }
  bool IsOpen() const override { return mHandle != INVALID_HANDLE_VALUE; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    RequireOpen();
    std::size_t done = 0;
    while (done < count) {
      DWORD written = 0;
      if (!WriteFile(mHandle, data + done, static_cast<DWORD>(count - done), &written, nullptr))
        throw std::runtime_error(win32::LastErrorMessage("Cannot write to serial port " + mName));
      if (written == 0) throw std::runtime_error("Serial port " + mName + ": write timed out");
      done += written;
    }
    FlushFileBuffers(mHandle);
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    RequireOpen();
    DWORD n = 0;
    if (!ReadFile(mHandle, buffer, static_cast<DWORD>(count), &n, nullptr))
      throw std::runtime_error(win32::LastErrorMessage("Cannot read from serial port " + mName));
    return n;
  }

  void Purge() override {
    RequireOpen();
    PurgeComm(mHandle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
  }

private:
  void RequireOpen() const {
    if (!IsOpen()) throw std::runtime_error("Serial port " + mName + " is not open");
  }
  std::string mName;
  int mBaud;
  HANDLE mHandle = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<ISerialPort> CreateSerialPort(const std::string& name, int baud) {
  return std::make_unique<TWin32SerialPort>(name, baud);
}

}  // namespace platform
