#pragma once
// One emulated device on one line: cuts requests out of the bytes received, answers each through
// its personality, repeats the last answer for a resent request instead of acting twice, and
// applies the fault plan. Output comes back as timed chunks; the server loop does the waiting.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/fault_plan.h"
#include "emulator/personality.h"

namespace emulator {

struct TOutChunk {
  int DelayMs = 0;  // pause before these bytes go out
  std::string Bytes;
};

class TEmuDevice {
public:
  using TJournal = std::function<void(const std::string& line)>;

  // A partial request older than this is a leftover (a probe in another protocol, a torn write).
  static constexpr std::int64_t kStaleMs = 300;

  // Throws EFaultRuleError when a fault means nothing to this family.
  TEmuDevice(std::unique_ptr<IPersonality> personality, TFaultPlan faults, TJournal journal = {});

  std::vector<TOutChunk> Feed(std::string_view bytes, std::int64_t nowMs);
  // A new connection: bytes of an unfinished request are dropped.
  void ResetLine() { mPending.clear(); }

private:
  void Answer(const TRequest& request, std::vector<TOutChunk>& out);
  void Schedule(const std::string& bytes, const std::vector<TFaultRule>& faults, std::vector<TOutChunk>& out) const;
  void Journal(const std::string& line) const;

  std::unique_ptr<IPersonality> mPersonality;
  TFaultPlan mFaults;
  TJournal mJournal;
  std::string mPending;
  std::int64_t mLastByteMs = 0;
  // The last request the device answered and its answer: a resend of the same frame gets the
  // same answer again.
  std::optional<std::string> mLastFrame;
  TReply mLastReply;
  // What went out last: a line that echoes (a terminal left in echo mode) hands it back, and a
  // classic reply reads as a well-formed request, so the device must not act on it.
  std::string mLastSent;
};

// "seq=22 cmd=5A data=312C31" and the markers that follow it.
std::string JournalLine(const TRequest& request);
std::string HexBytes(std::string_view bytes);

}  // namespace emulator
