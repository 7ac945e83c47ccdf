#pragma once
// An in-memory serial port that records every write and plays scripted replies in virtual time.
// Each write takes the next scripted reply (a list of chunks, each arriving delayMs after the
// previous one); when the script is exhausted, or a reply is empty, the device stays silent.
// A responder function, when set, is asked instead of the script.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/serial_port.h"

namespace fakes {

using Bytes = std::vector<std::uint8_t>;

struct ReplyChunk {
  int DelayMs = 0;
  Bytes Data;
};
using Reply = std::vector<ReplyChunk>;

class FakeSerialPort : public platform::ISerialPort {
public:
  explicit FakeSerialPort(FakeClock& clock, std::string name = "FAKE", int baud = 9600)
      : mClock(clock), mName(std::move(name)), mBaud(baud) {}

  std::vector<Bytes> Writes;
  std::deque<Reply> Replies;
  std::function<Reply(const Bytes& request)> Responder;
  bool FailOpen = false;
  int OpenCount = 0;
  int PurgeCount = 0;

  // Convenience: one reply arriving in one piece right away.
  void QueueReply(Bytes data) { Replies.push_back(Reply{ReplyChunk{0, std::move(data)}}); }
  void QueueSilence() { Replies.push_back(Reply{}); }

  const std::string& Name() const override { return mName; }
  void SetName(const std::string& name) override { mName = name; }
  int Baud() const override { return mBaud; }
  void SetBaud(int baud) override { mBaud = baud; }
  void Open() override {
    if (FailOpen || mBaud == 0) throw std::runtime_error("cannot open " + mName);
    ++OpenCount;
    mOpen = true;
  }
  void Close() override { mOpen = false; }
  bool IsOpen() const override { return mOpen; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    if (!mOpen) throw std::runtime_error("port not open");
    Bytes request(data, data + count);
    Writes.push_back(request);
    Reply reply;
    if (Responder) {
      reply = Responder(request);
    } else if (!Replies.empty()) {
      reply = std::move(Replies.front());
      Replies.pop_front();
    }
    std::int64_t at = mClock.NowMs;
    for (auto& chunk : reply) {
      at += chunk.DelayMs;
      for (auto b : chunk.Data) mPending.push_back({at, b});
    }
  }
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    if (!mOpen) throw std::runtime_error("port not open");
    std::size_t n = 0;
    while (n < count && !mPending.empty() && mPending.front().first <= mClock.NowMs) {
      buffer[n++] = mPending.front().second;
      mPending.pop_front();
    }
    return n;
  }
  // Drops what has already arrived; bytes still on the way keep coming.
  void Purge() override {
    ++PurgeCount;
    while (!mPending.empty() && mPending.front().first <= mClock.NowMs) mPending.pop_front();
  }

private:
  FakeClock& mClock;
  std::string mName;
  int mBaud;
  bool mOpen = false;
  std::deque<std::pair<std::int64_t, std::uint8_t>> mPending;
};

}  // namespace fakes
