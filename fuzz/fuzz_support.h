#pragma once
// What every fuzz target shares: the invariant check that stops the run with a clear report, the
// process-wide services a driver needs (settings, a log that writes nothing, virtual time), and an
// in-memory serial port whose device answers each request with bytes the target makes up.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "model/fp_result.h"
#include "model/text.h"
#include "support/logger.h"
#include "support/runtime.h"
#include "support/settings.h"

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// A folder of its own for a target that needs files, removed when the process ends. Prefers a
// memory file system: saving syncs files to the disk, which would dominate the run.
inline const std::string& ScratchFolder(const char* parName) {
  struct TFolder {
    std::string Path;
    ~TFolder() {
      std::error_code ignored;
      if (!Path.empty()) std::filesystem::remove_all(Path, ignored);
    }
  };
  static TFolder folder = [parName] {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/ruvex-fuzz-" + parName + "-XXXXXX";
      if (::mkdtemp(pattern.data())) return TFolder{pattern + "/"};
    }
    std::abort();
  }();
  return folder.Path;
}

// An invariant that failed: print it and abort, which libFuzzer records as a crash with its input.
[[noreturn]] inline void Fail(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "\n*** invariant broken at %s:%d: %s\n", file, line, what.c_str());
  std::abort();
}
#define FUZZ_CHECK(cond, what)                              \
  do {                                                      \
    if (!(cond)) ::fuzz::Fail(__FILE__, __LINE__, (what));  \
  } while (0)

// Reads the fuzz input front to back; past the end every read gives zeros / empty.
class TInput {
public:
  TInput(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size) {}
  std::uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  Bytes Rest() {
    Bytes rest(mData + mPos, mData + mSize);
    mPos = mSize;
    return rest;
  }
  std::string RestText() {
    std::string rest(reinterpret_cast<const char*>(mData) + mPos, mSize - mPos);
    mPos = mSize;
    return rest;
  }

private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPos = 0;
};

inline bool IsDefinedResultType(model::TFpResultType t) { return t <= model::fprLongResponse; }

// Texts that reach Return.txt and the output file must be well-formed UTF-8 whatever a device sent.
inline void CheckResultTexts(const model::TFpResult& r) {
  FUZZ_CHECK(IsDefinedResultType(r.ResultType), "result type outside the defined kinds");
  for (const std::string* text : {&r.ResultText, &r.ResponseRaw, &r.FpModel, &r.FpNo, &r.FpMem, &r.StatusCode,
                                  &r.StatusText, &r.StatusErrors, &r.FpBonNo})
    FUZZ_CHECK(model::IsValidUtf8(*text), "result text is not valid UTF-8: " + *text);
  // Both text forms must build for any result (they go to Return.txt and the output file).
  const std::string shortForm = r.ToStringShort();
  const std::string longForm = r.ToString(0);
  FUZZ_CHECK(!shortForm.empty() && !longForm.empty(), "empty result text form");
}

// A log that keeps count and writes nothing.
class TQuietLogger final : public support::TLogger {
public:
  TQuietLogger() : TLogger("/nonexistent/ruvex-fuzz.log") {}
  void Log(const std::string&) override { ++Count; }
  int Count = 0;
};

// Settings without a file, a quiet log and virtual time, installed for the lifetime of the object.
class TServices {
public:
  TServices() : Settings("/nonexistent/ruvex-fuzz.ini", "kassa1"), mScope(&Settings, &Logger, &Clock, &Clock) {}
  fakes::FakeClock Clock;
  support::TPrgSettings Settings;
  TQuietLogger Logger;

private:
  support::TRuntimeScope mScope;
};

// A reply of one or more chunks: the bytes are cut every parChunk bytes (0: one piece) and chunk i
// arrives after a pause taken from parDelays (two bits per chunk: 0, 200, 400 or 600 ms), so a
// reply may straddle read cycles or fall silent in the middle.
inline fakes::Reply Chunked(const Bytes& parBytes, std::size_t parChunk, std::uint8_t parDelays) {
  fakes::Reply reply;
  if (parBytes.empty()) return reply;
  if (parChunk == 0) parChunk = parBytes.size();
  for (std::size_t at = 0, i = 0; at < parBytes.size(); at += parChunk, ++i) {
    const int delay = ((parDelays >> ((i % 4) * 2)) & 3) * 200;
    const std::size_t end = std::min(parBytes.size(), at + parChunk);
    reply.push_back({delay, Bytes(parBytes.begin() + static_cast<std::ptrdiff_t>(at),
                                  parBytes.begin() + static_cast<std::ptrdiff_t>(end))});
  }
  return reply;
}

// Each request is sent at most five times and every resend repeats it byte for byte (same sequence
// byte); the next request carries the next sequence number. The writes are grouped by the sequence
// byte at parSequenceAt.
inline void CheckTransmissions(const std::vector<Bytes>& parWrites, std::size_t parSequenceAt) {
  std::size_t groupStart = 0;
  for (std::size_t i = 0; i < parWrites.size(); ++i) {
    FUZZ_CHECK(parWrites[i].size() > parSequenceAt, "a request frame too short for its sequence byte");
    if (i > groupStart && parWrites[i][parSequenceAt] == parWrites[groupStart][parSequenceAt]) {
      FUZZ_CHECK(parWrites[i] == parWrites[groupStart], "a resend differs from the first transmission");
      FUZZ_CHECK(i - groupStart < 5, "more than five transmissions of one request");
      continue;
    }
    if (i > groupStart) {
      const int previous = parWrites[groupStart][parSequenceAt] - 0x20;
      const int next = parWrites[i][parSequenceAt] - 0x20;
      FUZZ_CHECK(next == (previous >= 200 ? 1 : previous + 1), "the sequence number did not advance by one");
    }
    groupStart = i;
  }
}

}  // namespace fuzz
