// Driver base: configuration and the serial/TCP transport.
#include <exception>

#include "driver/fp_basic.h"
#include "model/errors.h"
#include "model/fp_util.h"
#include "support/runtime.h"

namespace driver {

namespace {

constexpr int kTcpConnectTimeoutMs = 1000;
constexpr int kTcpReadWaitMs = 100;

// The enumerator of a port's speed; 9600 reads as br9600 rather than brCustom.
model::TBaudRate BaudRateFromBitsPerSecond(int bps) {
  for (int i = model::br110; i <= model::br256000; ++i) {
    const auto rate = static_cast<model::TBaudRate>(i);
    if (model::BaudRateToBitsPerSecond(rate) == bps) return rate;
  }
  return static_cast<model::TBaudRate>(255);
}

}  // namespace

void TFpBasic::Init(const std::string& parComPort, const std::string& parBaudRate) {
  mIsIpComm = false;
  mComPort = parComPort;
  mComBaudRate = GetBaudRateFromString(parBaudRate);
}

void TFpBasic::Init(platform::ISerialPort* parCom) {
  mIsIpComm = false;
  FreeCom();
  Com = parCom;
  mFreeCommOnDestroy = false;
  if (Com) {
    mComPort = Com->Name();
    mComBaudRate = BaudRateFromBitsPerSecond(Com->Baud());
    mIsConnected = Com->IsOpen();
  } else {
    mIsConnected = false;
  }
}

void TFpBasic::Init(const std::string& parIpAddress, int parIpPort) {
  mIsIpComm = true;
  mIpAddress = parIpAddress;
  mIpPort = parIpPort;
}

void TFpBasic::FreeCom() {
  if (!mFreeCommOnDestroy) return;
  if (mOwnedCom) {
    try {
      if (mOwnedCom->IsOpen()) mOwnedCom->Close();
    } catch (...) {
    }
  }
  mOwnedCom.reset();
  Com = nullptr;
  mFreeCommOnDestroy = false;
}

std::unique_ptr<platform::ISerialPort> TFpBasic::CreatePort(const std::string& parComPort,
                                                            model::TBaudRate parBaudRate) {
  // A speed that names nothing maps to 0 bits per second, which the port refuses to open.
  return platform::CreateSerialPort(parComPort, model::BaudRateToBitsPerSecond(parBaudRate));
}

model::TBaudRate TFpBasic::GetBaudRateFromString(const std::string& parBaudRate) {
  return model::TFpUtil::StrToEnum<model::TBaudRate>("br" + parBaudRate);
}

bool TFpBasic::OpenPort() {
  bool ok = false;
  if (!mIsIpComm) {
    try {
      if (!Com) {
        mOwnedCom = CreatePort(mComPort, mComBaudRate);
        Com = mOwnedCom.get();
        mFreeCommOnDestroy = true;
      }
      if (Com->IsOpen()) {
        Com->Close();
        mIsConnected = false;
      }
      Com->SetName(mComPort);
      Com->SetBaud(model::BaudRateToBitsPerSecond(mComBaudRate));
      Com->Open();
      ok = true;
    } catch (...) {
      ok = false;  // a missing or busy port is reported by the result only
    }
  } else {
    ClosePort();
    TcpClient.reset();
    try {
      TcpClient = platform::CreateTcpClient();
      TcpClient->Connect(mIpAddress, static_cast<std::uint16_t>(mIpPort & 0xFFFF), kTcpConnectTimeoutMs);
      ok = true;
    } catch (const std::exception& e) {
      TcpClient.reset();
      try {
        if (support::TRuntime::HasLogger()) support::TRuntime::Logger().Log(e.what());
      } catch (...) {
      }
      ok = false;
    } catch (...) {
      TcpClient.reset();
      ok = false;
    }
  }
  mIsConnected = ok;
  return ok;
}

void TFpBasic::ClosePort() {
  if (!mIsConnected) return;
  // Closing is best effort: it runs on the way out of failed exchanges and must not mask their error.
  try {
    if (mIsIpComm) {
      if (TcpClient) TcpClient->Disconnect();
    } else if (Com) {
      Com->Close();
    }
  } catch (...) {
  }
  if (mIsIpComm) TcpClient.reset();
  mIsConnected = false;
}

void TFpBasic::ClearBuffers() {
  if (mIsIpComm) {
    if (TcpClient) TcpClient->DiscardOutput();  // received bytes stay for the next Read
  } else if (Com && Com->IsOpen()) {
    Com->Purge();
  }
}

namespace {

[[noreturn]] void ThrowNotOpen(bool isIp, const std::string& comPort, const std::string& ipAddress, int ipPort) {
  if (isIp)
    throw model::EInOutError("Няма връзка с " + ipAddress + ":" + std::to_string(ipPort & 0xFFFF));
  throw model::EInOutError("Серийният порт " + comPort + " не може да бъде отворен");
}

}  // namespace

void TFpBasic::Write(const std::uint8_t* Buffer, std::size_t Count) {
  if (!mIsConnected) OpenPort();
  if (mIsIpComm) {
    if (!mIsConnected || !TcpClient) ThrowNotOpen(true, mComPort, mIpAddress, mIpPort);
    TcpClient->Write(Buffer, Count);
  } else {
    if (!mIsConnected || !Com) ThrowNotOpen(false, mComPort, mIpAddress, mIpPort);
    Com->Write(Buffer, Count);
  }
}

std::size_t TFpBasic::Read(std::uint8_t* Buffer, std::size_t Count) {
  if (!mIsConnected) OpenPort();
  if (mIsIpComm) {
    if (!mIsConnected || !TcpClient) ThrowNotOpen(true, mComPort, mIpAddress, mIpPort);
    return TcpClient->Read(Buffer, Count, kTcpReadWaitMs);
  }
  if (!mIsConnected || !Com) ThrowNotOpen(false, mComPort, mIpAddress, mIpPort);
  return Com->Read(Buffer, Count);
}

}  // namespace driver
