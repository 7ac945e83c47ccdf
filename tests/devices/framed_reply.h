#pragma once
// Test-side view of the framed protocol: a fake device that answers every request with a frame
// built here, and readers for the data of the frames a driver wrote.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "platform/code_page.h"
#include "support/runtime.h"

namespace devtest {

using fakes::Bytes;
using Status6 = std::array<std::uint8_t, 6>;
using Status8 = std::array<std::uint8_t, 8>;

// A 16-bit value as four nibbles + 0x30, most significant first.
inline void AppendField4(Bytes& frame, unsigned value) {
  for (int shift = 12; shift >= 0; shift -= 4)
    frame.push_back(static_cast<std::uint8_t>(0x30 + ((value >> shift) & 0xF)));
}

inline void AppendChecksum(Bytes& frame, std::size_t from) {
  unsigned sum = 0;
  for (std::size_t i = from; i < frame.size(); ++i) sum += frame[i];
  AppendField4(frame, sum & 0xFFFF);
}

// 01 LEN SEQ CMD data 04 S0..S5 05 CS*4 03; data given in UTF-8, sent in Windows-1251.
inline Bytes Reply6(std::uint8_t seq, std::uint8_t cmd, const std::string& data, const Status6& status) {
  std::string ansi = platform::Utf8ToAnsi(data);
  Bytes f;
  f.reserve(ansi.size() + 17);
  f.push_back(0x01);
  f.push_back(static_cast<std::uint8_t>(0x20 + 11 + ansi.size()));
  f.push_back(seq);
  f.push_back(cmd);
  f.insert(f.end(), ansi.begin(), ansi.end());
  f.push_back(0x04);
  f.insert(f.end(), status.begin(), status.end());
  f.push_back(0x05);
  AppendChecksum(f, 1);
  f.push_back(0x03);
  return f;
}

// The family-C reply: 01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03. lengthSkew misstates the length.
inline Bytes Reply8(std::uint8_t seq, unsigned cmd, const std::string& data, const Status8& status,
                    int lengthSkew = 0) {
  std::string ansi = platform::Utf8ToAnsi(data);
  Bytes f{0x01};
  AppendField4(f, 0x20 + 25 + ansi.size() - 6 + lengthSkew);
  f.push_back(seq);
  AppendField4(f, cmd);
  f.insert(f.end(), ansi.begin(), ansi.end());
  f.push_back(0x04);
  f.insert(f.end(), status.begin(), status.end());
  f.push_back(0x05);
  AppendChecksum(f, 1);
  f.push_back(0x03);
  return f;
}

// Rewrites the length and checksum fields of a family-C frame to match its bytes.
inline void Refit8(Bytes& f) {
  Bytes head{f[0]};
  AppendField4(head, 0x20 + f.size() - 6);
  std::copy(head.begin() + 1, head.end(), f.begin() + 1);
  Bytes body(f.begin(), f.end() - 5);
  AppendChecksum(body, 1);
  std::copy(body.end() - 4, body.end(), f.end() - 5);
}

// Command byte and data (as UTF-8) of a request frame of the six-status protocol.
inline std::uint8_t Command6(const Bytes& request) { return request.size() > 3 ? request[3] : 0; }
inline std::string Data6(const Bytes& request) {
  if (request.size() < 10) return "<short frame>";
  return platform::AnsiToUtf8(std::string(request.begin() + 4, request.end() - 6));
}

// Command number and data of a family-C request frame.
inline unsigned Command8(const Bytes& request) {
  if (request.size() < 16) return 0;
  unsigned v = 0;
  for (int i = 6; i < 10; ++i) v = v * 16 + (request[i] - 0x30);
  return v;
}
inline std::string Data8(const Bytes& request) {
  if (request.size() < 16) return "<short frame>";
  return platform::AnsiToUtf8(std::string(request.begin() + 10, request.end() - 6));
}

// A driver on an in-memory port in virtual time. The device answers each request with the
// data and status bytes set here, echoing the request's sequence and command.
template <class TDriver>
struct TRig {
  fakes::FakeClock Clock;
  fakes::FakeSerialPort Port{Clock};
  support::TRuntimeScope Scope{nullptr, nullptr, &Clock, &Clock};
  TDriver Fp;
  std::string AnswerData;
  Status6 AnswerStatus6{0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
  Status8 AnswerStatus8{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

  TRig() {
    Port.Open();
    Fp.Init(&Port);
  }
  // Six-status device: every request answered with AnswerData and AnswerStatus6.
  void AnswerEvery6() {
    Port.Responder = [this](const Bytes& req) {
      return fakes::Reply{fakes::ReplyChunk{0, Reply6(req[2], req[3], AnswerData, AnswerStatus6)}};
    };
  }
  void AnswerEvery8() {
    Port.Responder = [this](const Bytes& req) {
      return fakes::Reply{fakes::ReplyChunk{0, Reply8(req[5], Command8(req), AnswerData, AnswerStatus8)}};
    };
  }
};

}  // namespace devtest
