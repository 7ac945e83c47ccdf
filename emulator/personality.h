#pragma once
// One device family: its frame layout, its commands and data layouts, its status bits. A
// personality acts on fresh requests; duplicates, faults and timing belong to the session.
#include <cstdint>
#include <string>

#include "emulator/device_clock.h"
#include "emulator/fault_plan.h"
#include "emulator/receipt_book.h"
#include "emulator/wire.h"

namespace emulator {

// What every personality is built from.
struct TDeviceSetup {
  TIdentity Identity;
  std::int64_t ClockOffsetSeconds = 0;
  long LastReceiptNo = 0;
  TReceiptBook::TPrinter Printer;
  TDeviceClock::TNow Now = &TDeviceClock::SystemLocalSeconds;
};

class IPersonality {
public:
  virtual ~IPersonality() = default;
  virtual const IWireCodec& Codec() const = 0;
  // Carries out a fresh request and tells what to answer.
  virtual TReply Handle(const TRequest& request) = 0;
  // The answer when the device refuses the request with its own error number (fault "error=").
  virtual TReply RefuseWithError(const TRequest& request, long code) = 0;
  // Sets chosen status bits or characters in a reply (fault "status=").
  virtual void ForceStatus(TReply& reply, const std::string& status) const = 0;
  // Empty when the fault means something to this family; otherwise why not.
  virtual std::string CheckFault(const TFaultRule& fault) const = 0;
};

}  // namespace emulator
