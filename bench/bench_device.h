#pragma once
// What the micro-benchmarks run against: reply frames built here (not by the code being measured),
// a port on which the device answers at once, and a clock whose pauses cost nothing but are
// counted, so a benchmark shows the work of an exchange without its protocol pauses.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/date_time.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace bench {

using TBytes = std::vector<std::uint8_t>;

// 01 LEN SEQ CMD data 04 S0..S5 05 CS*4 03
TBytes FramedReply(std::uint8_t seq, std::uint8_t cmd, const std::string& ansiData, const TBytes& status);
// 01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03
TBytes DatecsCReply(std::uint8_t seq, std::uint16_t cmd, const std::string& ansiData, const TBytes& status);
// 02 LEN SEQ CMD data CS CS 0A
TBytes TremolDataReply(std::uint8_t seq, std::uint8_t cmd, const std::string& ansiData);
// 06 SEQ A B CS CS 0A
TBytes TremolAck(std::uint8_t seq, char state, char outcome);

// A device answering the framed protocol the way a Daisy does: its diagnostic data, its clock,
// a receipt number, empty data for everything else; status of a fiscalised device.
TBytes DaisyAnswer(const TBytes& request);
// A Tremol device: "FpNo;FpMem" to the number request, its clock, an acknowledgement otherwise.
TBytes TremolAnswer(const TBytes& request);

// The device's answer to a write is there for the next read, all at once.
class TInstantPort : public platform::ISerialPort {
public:
  using TAnswer = std::function<TBytes(const TBytes& request)>;
  explicit TInstantPort(TAnswer answer) : mAnswer(std::move(answer)) {}

  const std::string& Name() const override { return mName; }
  void SetName(const std::string& name) override { mName = name; }
  int Baud() const override { return 9600; }
  void SetBaud(int) override {}
  void Open() override { mOpen = true; }
  void Close() override { mOpen = false; }
  bool IsOpen() const override { return mOpen; }
  void Write(const std::uint8_t* data, std::size_t count) override;
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
  void Purge() override { mPending.clear(); }

private:
  TAnswer mAnswer;
  std::string mName = "BENCH";
  bool mOpen = false;
  TBytes mPending;
};

// Fixed local time; sleeping only adds to the total.
class TCountingClock : public platform::IClock, public platform::ISleeper {
public:
  static constexpr model::TDateTimeParts kNow{2024, 3, 5, 14, 7, 9, 0};

  platform::TLocalTime LocalNow() const override {
    return {kNow.Year, kNow.Month, kNow.Day, kNow.Hour, kNow.Minute, kNow.Second, kNow.Millisecond};
  }
  std::int64_t MonotonicMs() const override { return SleptMs; }
  bool IsDaylightSaving(const platform::TLocalTime&) const override { return false; }
  void SleepMs(int ms) override { SleptMs += ms; }

  std::int64_t SleptMs = 0;
};

// The 20-line receipt of the end-to-end benchmark: open, 15 items, 2 text lines, payment, close.
std::string TwentyLineReceipt();

}  // namespace bench
