#pragma once
// The command line of ruvex-emu.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "emulator/fault_plan.h"

namespace emulator {

class EUsageError : public std::invalid_argument {
public:
  using std::invalid_argument::invalid_argument;
};

struct TEmuOptions {
  enum class TTransport { Pty, Tcp };

  bool Help = false;
  std::string Family = "daisy";
  TTransport Transport = TTransport::Pty;
  int TcpPort = 0;  // 0 picks a free port
  std::optional<std::string> FpNo, FpMem, Model;
  std::int64_t ClockOffsetSeconds = 0;
  long LastReceiptNo = 0;
  TFaultPlan Faults;
  std::string JournalPath;
  std::string RollPath;  // empty: the roll goes to standard output
};

// Throws EUsageError with a message for the user.
TEmuOptions ParseEmuOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace emulator
