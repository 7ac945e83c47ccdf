#pragma once
// A minimal driver for the base's own tests: a command table given by the test, no status bits,
// and an engine that records each request and answers with a scripted reply.
#include <deque>
#include <string>
#include <vector>

#include "driver/fp_basic.h"

namespace driver_tests {

struct SentCommand {
  std::uint8_t Code;
  std::string Data;
};

struct ScriptedReply {
  model::TFpResultType Type = model::fprOk;
  std::string ResponseRaw;
};

class TRecordingDriver final : public driver::TFpSimple {
public:
  using TFpSimple::SendCommand;
  using TFpBasic::SetDateTime;

  TRecordingDriver() { InitVendorData(); }

  std::vector<SentCommand> Sent;
  std::deque<ScriptedReply> Replies;  // when empty: fprOk without data

  void AddCommand(model::TFpCommand command, model::TVendorCode code) { mCommandTable.Add(command, std::move(code)); }
  void AdvanceSequenceNo() { NextSequenceNo(); }
  using TFpBasic::FillExceptionResult;

  void InitVendorData() override {}
  driver::TFpResultPtr GetStatus(bool) override { return std::make_unique<model::TFpResult>(); }
  void ParseResponse(const std::uint8_t*, std::size_t, std::size_t, model::TFpResult&) override {}

  void SendCommand(std::uint8_t parCommand, const std::string& parData, model::TFpResult& Result,
                   bool parFast) override {
    TFpSimple::SendCommand(parCommand, parData, Result, parFast);
    Sent.push_back({parCommand, parData});
    ScriptedReply reply;
    if (!Replies.empty()) {
      reply = Replies.front();
      Replies.pop_front();
    }
    Result.ResultType = reply.Type;
    Result.ResponseRaw = reply.ResponseRaw;
  }
};

}  // namespace driver_tests
