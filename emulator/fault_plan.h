#pragma once
// Faults injected on cue, keyed by the command code of the request that triggers them.
//
//   RULE    = [COMMAND ":"] ACTION ["*" COUNT]
//   COMMAND = 0xHH or decimal; without it the fault applies to every command
//   COUNT   = how many matching requests it hits; without it, every one
//
// Actions (what happens to the request and its reply):
//   silence          the device acts but its reply is lost
//   drop             the request is lost: no action, no reply
//   nak              the device refuses the request with the refusal byte, without acting
//   echo             the request comes back instead of a reply, without acting
//   wrong-seq        the reply carries the next sequence byte
//   bad-checksum     the reply's checksum is off by one
//   delay=MS         the reply starts MS milliseconds late
//   wait=N[/MS]      N wait bytes before the reply, MS apart (default 100)
//   wait-inside=N[/MS]  the reply is cut in two and N wait bytes go in between
//   split=MS         the reply goes in two writes, MS milliseconds apart
//   error=CODE       the device refuses with its own error number CODE, without acting
//                    (families without error numbers reject the rule at start)
//   status=B.b       status bit b of status byte B is set in the reply (Tremol: status=XY, two characters)
//   data=TEXT        the reply carries TEXT as its data (the rest of the rule, UTF-8)
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace emulator {

enum class TFaultKind {
  Silence,
  Drop,
  Nak,
  Echo,
  WrongSeq,
  BadChecksum,
  Delay,
  Wait,
  WaitInside,
  Split,
  Error,
  Status,
  Data,
};

struct TFaultRule {
  std::optional<int> Command;
  TFaultKind Kind = TFaultKind::Silence;
  int Remaining = -1;  // -1: every time
  long Number = 0;     // wait bytes, milliseconds, or the error code
  int GapMs = 100;     // between wait bytes
  std::string Text;    // status or data text, as written
  std::string Source;  // the rule as written, for the journal and messages
};

class EFaultRuleError : public std::invalid_argument {
public:
  using std::invalid_argument::invalid_argument;
};

// Throws EFaultRuleError with a message that quotes the rule.
TFaultRule ParseFaultRule(const std::string& rule);

class TFaultPlan {
public:
  void Add(TFaultRule rule) { mRules.push_back(std::move(rule)); }
  const std::vector<TFaultRule>& Rules() const { return mRules; }
  // The faults that hit this request; their counts go down.
  std::vector<TFaultRule> Take(int command);

private:
  std::vector<TFaultRule> mRules;
};

// The first fault of that kind, or null.
const TFaultRule* FindFault(const std::vector<TFaultRule>& faults, TFaultKind kind);

}  // namespace emulator
