#include "emulator/fault_plan.h"

#include <gtest/gtest.h>

namespace {

using emulator::ParseFaultRule;
using emulator::TFaultKind;

TEST(FaultPlan, ParsesRules) {
  struct TCase {
    const char* Rule;
    int Command;  // -1: every command
    TFaultKind Kind;
    int Remaining;
    long Number;
    int GapMs;
    const char* Text;
  };
  const TCase cases[] = {
      {"0x31:nak", 0x31, TFaultKind::Nak, -1, 0, 100, ""},
      {"56:silence*2", 56, TFaultKind::Silence, 2, 0, 100, ""},
      {"0x5A:wait=3", 0x5A, TFaultKind::Wait, -1, 3, 100, ""},
      {"wait-inside=2/40*1", -1, TFaultKind::WaitInside, 1, 2, 40, ""},
      {"split=30", -1, TFaultKind::Split, -1, 30, 100, ""},
      {"0x30:error=12", 0x30, TFaultKind::Error, -1, 12, 100, ""},
      {"error=-111047", -1, TFaultKind::Error, -1, -111047, 100, ""},
      {"status=2.3", -1, TFaultKind::Status, -1, 0, 100, "2.3"},
      {"0x30:status=:0", 0x30, TFaultKind::Status, -1, 0, 100, ":0"},
      // The data text runs to the end; colons and commas in it stay.
      {"0x3E:data=31-02-24 10:00:00", 0x3E, TFaultKind::Data, -1, 0, 100, "31-02-24 10:00:00"},
      {"data=a,b*3", -1, TFaultKind::Data, 3, 0, 100, "a,b"},
  };
  for (const TCase& c : cases) {
    emulator::TFaultRule fault = ParseFaultRule(c.Rule);
    EXPECT_EQ(fault.Command.value_or(-1), c.Command) << c.Rule;
    EXPECT_EQ(fault.Kind, c.Kind) << c.Rule;
    EXPECT_EQ(fault.Remaining, c.Remaining) << c.Rule;
    EXPECT_EQ(fault.Number, c.Number) << c.Rule;
    EXPECT_EQ(fault.GapMs, c.GapMs) << c.Rule;
    EXPECT_EQ(fault.Text, c.Text) << c.Rule;
    EXPECT_EQ(fault.Source, c.Rule);
  }
}

TEST(FaultPlan, ExplainsBadRules) {
  const std::pair<std::string, std::string> cases[] = {
      {"0x31:bogus", "bad fault \"0x31:bogus\": unknown action \"bogus\" (see --help)"},
      {"nak=1", "bad fault \"nak=1\": nak takes no value"},
      {"split=", "bad fault \"split=\": split needs a whole number, as in split=30"},
      {"delay=-5", "bad fault \"delay=-5\": delay needs a whole number, as in delay=30"},
      {"wait=0", "bad fault \"wait=0\": wait needs a count of wait bytes and an optional pause, as in wait=3/100"},
      {"silence*0", "bad fault \"silence*0\": the count after * must be at least 1"},
      {"0x10000:nak", "bad fault \"0x10000:nak\": command code 0x10000 is out of range"},
      {"status=", "bad fault \"status=\": status needs a value"},
      {"data=" + std::string(201, 'x'),
       "bad fault \"data=" + std::string(201, 'x') + "\": data text longer than 200 bytes does not fit a reply"},
  };
  for (const auto& [rule, message] : cases) {
    try {
      ParseFaultRule(rule);
      ADD_FAILURE() << rule << " was accepted";
    } catch (const emulator::EFaultRuleError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

TEST(FaultPlan, CountsDownPerMatchingRequest) {
  emulator::TFaultPlan plan;
  plan.Add(ParseFaultRule("0x38:silence*2"));
  plan.Add(ParseFaultRule("split=30"));
  EXPECT_EQ(plan.Take(0x31).size(), 1u);  // only the split
  EXPECT_EQ(plan.Take(0x38).size(), 2u);
  EXPECT_EQ(plan.Take(0x38).size(), 2u);
  std::vector<emulator::TFaultRule> third = plan.Take(0x38);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].Kind, TFaultKind::Split);
}

}  // namespace
