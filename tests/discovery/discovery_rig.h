#pragma once
// Discovery in virtual time: settings and a log held in memory, the RUVEX_SERIAL_PORTS variable
// set for one test, and in-memory ports behind which Daisy devices answer at one speed.
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/framed_reply.h"
#include "discovery/fp_manager.h"
#include "fakes/env_scope.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "model/baud_rate.h"
#include "support/runtime.h"
#include "support/settings.h"

namespace disctest {

class TMemoryLogger : public support::TLogger {
public:
  TMemoryLogger() : support::TLogger("") {}
  void Log(const std::string& parMessage) override { Lines.push_back(parMessage); }
  std::vector<std::string> Lines;
};

using TEnvScope = fakes::TEnvScope;

// What sits behind one port name.
struct TFakeLine {
  bool OpenFails = false;
  int Baud = 0;  // the speed the device answers at; 0: nothing answers
  std::string FpNo{};
  std::string FpMem{};
  bool FailsAfterOpen = false;  // the port breaks as soon as a driver asks about it
};

class TBrokenPort : public fakes::FakeSerialPort {
public:
  using fakes::FakeSerialPort::FakeSerialPort;
  int Baud() const override {
    if (IsOpen()) throw std::runtime_error("device removed");
    return fakes::FakeSerialPort::Baud();
  }
};

struct TRig {
  fakes::FakeClock Clock;
  support::TPrgSettings Settings{"/nonexistent-ruvex-dir/ruvex.ini", "pos1"};
  TMemoryLogger Logger;
  support::TRuntimeScope Scope{&Settings, &Logger, &Clock, &Clock};

  std::map<std::string, TFakeLine> Lines;
  std::vector<std::string> Created;  // "name@bps" for every port object made, in order

  discovery::TFpManagerBasic::TPortFactory Factory() {
    return [this](const std::string& name, model::TBaudRate rate) -> std::unique_ptr<platform::ISerialPort> {
      const int bps = model::BaudRateToBitsPerSecond(rate);
      Created.push_back(name + "@" + std::to_string(bps));
      const TFakeLine line = Lines.count(name) ? Lines[name] : TFakeLine{};
      std::unique_ptr<fakes::FakeSerialPort> port =
          line.FailsAfterOpen ? std::make_unique<TBrokenPort>(Clock, name, bps)
                              : std::make_unique<fakes::FakeSerialPort>(Clock, name, bps);
      port->FailOpen = line.OpenFails;
      if (line.Baud == bps) {
        const std::string answer = "Model,1.00,01-01-24,ABCD," + line.FpNo + "," + line.FpMem;
        port->Responder = [answer](const fakes::Bytes& req) {
          if (devtest::Command6(req) != 0x5A) return fakes::Reply{};
          return fakes::Reply{{0, devtest::Reply6(req[2], req[3], answer, {0x80, 0x80, 0x80, 0x80, 0x80, 0x80})}};
        };
      }
      return port;
    };
  }
};

}  // namespace disctest
