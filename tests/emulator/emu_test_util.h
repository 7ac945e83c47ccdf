#pragma once
// Helpers for the emulator tests. Frames are built here the plain way, independently of the
// emulator's codecs, and pinned by known byte vectors in the codec tests.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "emulator/device_clock.h"
#include "emulator/emu_device.h"
#include "emulator/personality.h"

namespace emutest {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// 01 LEN SEQ CMD data 05 checksum(4) 03
inline std::string ClassicRequest(int seq, int command, const std::string& data = "") {
  std::string body;
  body += static_cast<char>(0x20 + 4 + data.size());
  body += static_cast<char>(seq);
  body += static_cast<char>(command);
  body += data;
  body += '\x05';
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  std::string frame = "\x01" + body;
  for (int shift = 12; shift >= 0; shift -= 4) frame += static_cast<char>(0x30 + ((sum >> shift) & 0xF));
  return frame + "\x03";
}

// 01 LEN SEQ CMD data 04 status(6) 05 checksum(4) 03
inline std::string ClassicReply(int seq, int command, const std::string& data, const std::string& status) {
  std::string body;
  body += static_cast<char>(0x20 + 11 + data.size());
  body += static_cast<char>(seq);
  body += static_cast<char>(command);
  body += data + "\x04" + status + "\x05";
  unsigned sum = 0;
  for (char c : body) sum += static_cast<unsigned char>(c);
  std::string frame = "\x01" + body;
  for (int shift = 12; shift >= 0; shift -= 4) frame += static_cast<char>(0x30 + ((sum >> shift) & 0xF));
  return frame + "\x03";
}

// Data and status bytes of a classic reply frame (empty when the bytes are no such frame).
inline std::string ClassicReplyData(const std::string& frame) {
  std::size_t separator = frame.rfind('\x04');
  return frame.size() < 17 || separator == std::string::npos ? "" : frame.substr(4, separator - 4);
}
inline std::string ClassicReplyStatus(const std::string& frame) {
  return frame.size() < 17 ? "" : frame.substr(frame.size() - 12, 6);
}

inline std::int64_t FixedNow() { return emulator::ToLocalSeconds({2024, 3, 5, 14, 7, 9}); }

// One device of a family with a fixed computer clock, its roll and journal kept in memory.
struct TBench {
  std::vector<std::string> Roll;
  std::vector<std::string> Journal;
  std::unique_ptr<emulator::TEmuDevice> Device;
  std::int64_t NowMs = 0;

  TBench(std::unique_ptr<emulator::IPersonality> (*create)(const emulator::TDeviceSetup&),
         emulator::TIdentity identity, std::vector<std::string> faults = {}, std::int64_t clockOffset = 0) {
    emulator::TDeviceSetup setup;
    setup.Identity = std::move(identity);
    setup.ClockOffsetSeconds = clockOffset;
    setup.Printer = [this](const std::string& text) { Roll.push_back(text); };
    setup.Now = &FixedNow;
    emulator::TFaultPlan plan;
    for (const std::string& fault : faults) plan.Add(emulator::ParseFaultRule(fault));
    Device = std::make_unique<emulator::TEmuDevice>(create(setup), std::move(plan),
                                                    [this](const std::string& line) { Journal.push_back(line); });
  }

  std::vector<emulator::TOutChunk> Chunks(const std::string& bytes) {
    NowMs += 10;
    return Device->Feed(bytes, NowMs);
  }
  // Everything the device sends back, joined.
  std::string Send(const std::string& bytes) {
    std::string out;
    for (const emulator::TOutChunk& chunk : Chunks(bytes)) out += chunk.Bytes;
    return out;
  }
};

}  // namespace emutest
