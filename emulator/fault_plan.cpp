#include "emulator/fault_plan.h"

#include <string_view>

namespace emulator {

namespace {

// Reply data of the classic frame stop at 212 bytes, of Tremol's at 220.
constexpr std::size_t kMaxFaultText = 200;

struct TActionRow {
  const char* Name;
  TFaultKind Kind;
  enum { None, Number, WaitCount, Text } Value;
};

const TActionRow kActions[] = {
    {"silence", TFaultKind::Silence, TActionRow::None},
    {"drop", TFaultKind::Drop, TActionRow::None},
    {"nak", TFaultKind::Nak, TActionRow::None},
    {"echo", TFaultKind::Echo, TActionRow::None},
    {"wrong-seq", TFaultKind::WrongSeq, TActionRow::None},
    {"bad-checksum", TFaultKind::BadChecksum, TActionRow::None},
    {"delay", TFaultKind::Delay, TActionRow::Number},
    {"wait", TFaultKind::Wait, TActionRow::WaitCount},
    {"wait-inside", TFaultKind::WaitInside, TActionRow::WaitCount},
    {"split", TFaultKind::Split, TActionRow::Number},
    {"error", TFaultKind::Error, TActionRow::Number},
    {"status", TFaultKind::Status, TActionRow::Text},
    {"data", TFaultKind::Data, TActionRow::Text},
};

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decimal, or hexadecimal after 0x; a sign only where allowed.
bool ReadInteger(std::string_view text, long& out, bool allowSign = false) {
  std::size_t at = 0;
  bool negative = false;
  if (allowSign && !text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    at = 1;
  }
  int base = 10;
  if (text.size() >= at + 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at >= text.size()) return false;
  long value = 0;
  for (; at < text.size(); ++at) {
    int digit = DigitValue(text[at]);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > 1000000000L) return false;
  }
  out = negative ? -value : value;
  return true;
}

[[noreturn]] void Fail(const std::string& rule, const std::string& why) {
  throw EFaultRuleError("bad fault \"" + rule + "\": " + why);
}

}  // namespace

TFaultRule ParseFaultRule(const std::string& rule) {
  TFaultRule fault;
  fault.Source = rule;
  std::string rest = rule;

  std::size_t colon = rest.find(':');
  if (colon != std::string::npos) {
    long command = 0;
    if (ReadInteger(rest.substr(0, colon), command)) {
      if (command > 0xFFFF) Fail(rule, "command code " + rest.substr(0, colon) + " is out of range");
      fault.Command = static_cast<int>(command);
      rest = rest.substr(colon + 1);
    }
  }

  std::size_t star = rest.rfind('*');
  if (star != std::string::npos) {
    long count = 0;
    if (ReadInteger(rest.substr(star + 1), count)) {
      if (count < 1) Fail(rule, "the count after * must be at least 1");
      fault.Remaining = static_cast<int>(count);
      rest = rest.substr(0, star);
    }
  }

  std::size_t equals = rest.find('=');
  std::string name = rest.substr(0, equals);
  std::string value = equals == std::string::npos ? "" : rest.substr(equals + 1);
  const TActionRow* action = nullptr;
  for (const TActionRow& row : kActions)
    if (name == row.Name) action = &row;
  if (!action) Fail(rule, "unknown action \"" + name + "\" (see --help)");
  fault.Kind = action->Kind;

  bool hasValue = equals != std::string::npos;
  switch (action->Value) {
    case TActionRow::None:
      if (hasValue) Fail(rule, name + " takes no value");
      break;
    case TActionRow::Number:
      if (!ReadInteger(value, fault.Number, fault.Kind == TFaultKind::Error))
        Fail(rule, name + " needs a whole number, as in " + name + "=30");
      break;
    case TActionRow::WaitCount: {
      std::size_t slash = value.find('/');
      long gap = fault.GapMs;
      if (!ReadInteger(value.substr(0, slash), fault.Number) || fault.Number < 1 ||
          (slash != std::string::npos && !ReadInteger(value.substr(slash + 1), gap)))
        Fail(rule, name + " needs a count of wait bytes and an optional pause, as in " + name + "=3/100");
      fault.GapMs = static_cast<int>(gap);
      break;
    }
    case TActionRow::Text:
      if (!hasValue || (value.empty() && fault.Kind == TFaultKind::Status)) Fail(rule, name + " needs a value");
      if (value.size() > kMaxFaultText)
        Fail(rule, name + " text longer than " + std::to_string(kMaxFaultText) + " bytes does not fit a reply");
      fault.Text = value;
      break;
  }
  return fault;
}

std::vector<TFaultRule> TFaultPlan::Take(int command) {
  std::vector<TFaultRule> hits;
  for (TFaultRule& rule : mRules) {
    if (rule.Remaining == 0 || (rule.Command && *rule.Command != command)) continue;
    if (rule.Remaining > 0) --rule.Remaining;
    hits.push_back(rule);
  }
  return hits;
}

const TFaultRule* FindFault(const std::vector<TFaultRule>& faults, TFaultKind kind) {
  for (const TFaultRule& fault : faults)
    if (fault.Kind == kind) return &fault;
  return nullptr;
}

}  // namespace emulator
