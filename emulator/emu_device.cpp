#include "emulator/emu_device.h"

#include <cstdio>

#include "platform/code_page.h"

namespace emulator {

std::string HexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    out += kDigits[u >> 4];
    out += kDigits[u & 0xF];
  }
  return out;
}

std::string JournalLine(const TRequest& request) {
  char head[40];
  std::snprintf(head, sizeof head, request.Command > 0xFF ? "seq=%02X cmd=%04X" : "seq=%02X cmd=%02X", request.Seq,
                request.Command);
  return std::string(head) + " data=" + HexBytes(request.Data);
}

TEmuDevice::TEmuDevice(std::unique_ptr<IPersonality> personality, TFaultPlan faults, TJournal journal)
    : mPersonality(std::move(personality)), mFaults(std::move(faults)), mJournal(std::move(journal)) {
  for (const TFaultRule& fault : mFaults.Rules()) {
    std::string why = mPersonality->CheckFault(fault);
    if (!why.empty()) throw EFaultRuleError("bad fault \"" + fault.Source + "\": " + why);
  }
}

void TEmuDevice::Journal(const std::string& line) const {
  if (mJournal) mJournal(line);
}

std::vector<TOutChunk> TEmuDevice::Feed(std::string_view bytes, std::int64_t nowMs) {
  if (!mPending.empty() && nowMs - mLastByteMs > kStaleMs) mPending.clear();
  if (!bytes.empty()) {
    mPending.append(bytes);
    mLastByteMs = nowMs;
  }
  std::vector<TOutChunk> out;
  const IWireCodec& codec = mPersonality->Codec();
  while (!mPending.empty()) {
    TScan scan = codec.Scan(mPending);
    if (scan.Result == TScan::TResult::NeedMore) break;
    std::string consumed = mPending.substr(0, scan.Consumed);
    mPending.erase(0, scan.Consumed);
    if (scan.Result == TScan::TResult::Reject) {
      Journal("rejected frame=" + HexBytes(consumed));
      out.push_back(TOutChunk{0, std::string(1, codec.RefusalByte())});
    } else if (scan.Result == TScan::TResult::Request) {
      if (!mLastSent.empty() && scan.Request.Frame == mLastSent) {
        Journal("echo of the last reply ignored");
        continue;
      }
      Answer(scan.Request, out);
    }
  }
  return out;
}

void TEmuDevice::Answer(const TRequest& request, std::vector<TOutChunk>& out) {
  const std::vector<TFaultRule> faults = mFaults.Take(request.Command);
  const bool duplicate = mLastFrame && *mLastFrame == request.Frame;
  std::string line = JournalLine(request);
  if (duplicate) line += " dup";
  if (!faults.empty()) {
    line += " faults=";
    for (std::size_t i = 0; i < faults.size(); ++i) line += (i ? "," : "") + faults[i].Source;
  }
  Journal(line);

  const IWireCodec& codec = mPersonality->Codec();
  auto has = [&](TFaultKind kind) { return FindFault(faults, kind); };
  // Lost, refused or echoed requests leave the device untouched, so a resend counts as new.
  if (has(TFaultKind::Drop)) return;
  if (has(TFaultKind::Nak)) return Schedule(std::string(1, codec.RefusalByte()), faults, out);
  if (has(TFaultKind::Echo)) return Schedule(request.Frame, faults, out);

  TReply reply;
  if (const TFaultRule* error = has(TFaultKind::Error))
    reply = mPersonality->RefuseWithError(request, error->Number);
  else if (duplicate)
    reply = mLastReply;
  else
    reply = mPersonality->Handle(request);
  for (const TFaultRule& fault : faults)
    if (fault.Kind == TFaultKind::Status) mPersonality->ForceStatus(reply, fault.Text);
  if (const TFaultRule* data = has(TFaultKind::Data)) {
    reply.Kind = TReply::TKind::Frame;
    reply.Data = platform::Utf8ToAnsi(data->Text);
  }
  mLastFrame = request.Frame;
  mLastReply = reply;

  if (has(TFaultKind::Silence)) return;
  if (reply.Kind == TReply::TKind::Refusal) return Schedule(std::string(1, codec.RefusalByte()), faults, out);
  TWireDamage damage;
  damage.WrongSeq = has(TFaultKind::WrongSeq) != nullptr;
  damage.BadChecksum = has(TFaultKind::BadChecksum) != nullptr;
  mLastSent = codec.BuildReply(request, reply, damage);
  Schedule(mLastSent, faults, out);
}

void TEmuDevice::Schedule(const std::string& bytes, const std::vector<TFaultRule>& faults,
                          std::vector<TOutChunk>& out) const {
  const char wait = mPersonality->Codec().WaitByte();
  int delay = 0;
  if (const TFaultRule* fault = FindFault(faults, TFaultKind::Delay)) delay = static_cast<int>(fault->Number);
  if (const TFaultRule* fault = FindFault(faults, TFaultKind::Wait)) {
    for (long i = 0; i < fault->Number; ++i) {
      out.push_back(TOutChunk{delay, std::string(1, wait)});
      delay = fault->GapMs;
    }
  }
  const TFaultRule* inside = FindFault(faults, TFaultKind::WaitInside);
  const TFaultRule* split = FindFault(faults, TFaultKind::Split);
  if ((!inside && !split) || bytes.size() < 2) {
    out.push_back(TOutChunk{delay, bytes});
    return;
  }
  const std::size_t half = bytes.size() / 2;
  out.push_back(TOutChunk{delay, bytes.substr(0, half)});
  int restDelay = split ? static_cast<int>(split->Number) : 0;
  if (inside) {
    for (long i = 0; i < inside->Number; ++i) out.push_back(TOutChunk{inside->GapMs, std::string(1, wait)});
    restDelay = inside->GapMs;
  }
  out.push_back(TOutChunk{restDelay, bytes.substr(half)});
}

}  // namespace emulator
