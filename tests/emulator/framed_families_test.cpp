// What sets the classic-frame families apart: diagnostic replies, receipt and storno layouts,
// command codes and status bits.
#include <gtest/gtest.h>

#include "emu_test_util.h"
#include "emulator/daisy_device.h"
#include "emulator/datecs_ab_device.h"
#include "emulator/eltrade_device.h"
#include "emulator/framed_device.h"

namespace {

using emutest::ClassicReplyData;
using emutest::ClassicReplyStatus;
using emutest::ClassicRequest;
using TCreate = std::unique_ptr<emulator::IPersonality> (*)(const emulator::TDeviceSetup&);

struct TFamily {
  const char* Name;
  TCreate Create;
  emulator::TIdentity Identity;
};

const TFamily kDaisy{"daisy", &emulator::CreateDaisyDevice, {"CompactM", "DY448967", "36607003"}};
const TFamily kDatecsA{"datecs-a", &emulator::CreateDatecsADevice, {"FP-700", "DT517985", "02517985"}};
const TFamily kDatecsB{"datecs-b", &emulator::CreateDatecsBDevice, {"DP-25", "DT636414", "02636414"}};
const TFamily kEltrade{"eltrade", &emulator::CreateEltradeDevice, {"A3-KL", "ED311662", "44311662"}};

bool BitSet(const std::string& reply, int byte, int bit) {
  std::string status = ClassicReplyStatus(reply);
  return status.size() == 6 && (static_cast<unsigned char>(status[byte]) >> bit & 1);
}

struct TDevice : emutest::TBench {
  int Seq = 0x21;
  explicit TDevice(const TFamily& family, std::vector<std::string> faults = {})
      : TBench(family.Create, family.Identity, std::move(faults)) {}
  std::string Ask(int command, const std::string& data = "") { return Send(ClassicRequest(++Seq, command, data)); }
};

TEST(FramedFamilies, DiagnosticReplyCarriesModelAndNumbers) {
  struct TCase {
    TFamily Family;
    std::size_t Fields, FpNoAt;
  };
  for (const TCase& c : {TCase{kDaisy, 6, 4}, TCase{kDatecsA, 6, 4}, TCase{kDatecsB, 6, 4}, TCase{kEltrade, 7, 5}}) {
    TDevice device(c.Family);
    std::vector<std::string> fields = emulator::SplitFields(ClassicReplyData(device.Ask(0x5A)), ',');
    ASSERT_EQ(fields.size(), c.Fields) << c.Family.Name;
    EXPECT_EQ(fields[c.FpNoAt], c.Family.Identity.FpNo) << c.Family.Name;
    EXPECT_EQ(fields[c.FpNoAt + 1], c.Family.Identity.FpMem) << c.Family.Name;
    // Datecs devices name their model first: the driver checks it.
    if (c.Family.Name == std::string("datecs-a") || c.Family.Name == std::string("datecs-b")) {
      EXPECT_EQ(fields[0], c.Family.Identity.Model);
    }
  }
}

TEST(FramedFamilies, ReadTheirOwnOpeningLayouts) {
  struct TCase {
    TFamily Family;
    int Command;
    std::string Data;
    bool Opens;
    const char* Printed;  // on the closed receipt
  };
  const TCase cases[] = {
      {kDaisy, 0x30, "1,1,", true, "Оператор 1"},
      {kDaisy, 0x30, "1,1,DY448967-0001-0000001", true, "УНП DY448967-0001-0000001"},
      {kDaisy, 0x30, "1,1\tR1,0000123,05-01-24 14:07\t36607003", false, ""},
      {kDaisy, 0x30, "2,1,U1\tR1,0000123,05-01-24 14:07\t36607003", true, "Причина 1, към бон 0000123"},
      {kDatecsA, 0x30, "1,0000,1", true, "Оператор 1"},
      {kDatecsA, 0x30, "1,0000,1,U7", true, "УНП U7"},
      {kDatecsA, 0x30, "1,0000", false, ""},
      {kDatecsA, 0x2E, "1,0000,1,U7,R0000123,U7,050120241407,02517985", true, "от 050120241407, ФП 02517985"},
      {kDatecsA, 0x2E, "1,0000,1,U7,R0000123,U8,050120241407,02517985", false, ""},
      {kDatecsB, 0x30, "1,0,1", true, "Оператор 1"},
      {kDatecsB, 0x30, "1,0,U7,1", true, "УНП U7"},
      {kDatecsB, 0x30, "1,0,U7", false, ""},
      {kDatecsB, 0x2E, "1,0,U7,1,1,0000123,050120241407,02636414", true, "Причина 1, към бон 0000123"},
      {kEltrade, 0x90, "1,", true, "Оператор 1"},
      {kEltrade, 0x90, "1,U7,", true, "УНП U7"},
      {kEltrade, 0x90, "1", false, ""},
      {kEltrade, 0x90, "1,U7,S,44311662,R,0000123,2024-03-05T14:07:09", true, "от 2024-03-05T14:07:09, ФП 44311662"},
      {kEltrade, 0x30, "1,", false, ""},  // not Eltrade's opening command
  };
  for (const TCase& c : cases) {
    TDevice device(c.Family);
    std::string reply = device.Ask(c.Command, c.Data);
    EXPECT_EQ(BitSet(reply, 2, 3), c.Opens) << c.Family.Name << " " << c.Data;
    if (!c.Opens) continue;
    device.Ask(0x31, "X\tA1");
    device.Ask(0x38);
    ASSERT_EQ(device.Roll.size(), 1u);
    EXPECT_NE(device.Roll[0].find(c.Printed), std::string::npos) << c.Family.Name << "\n" << device.Roll[0];
  }
}

TEST(FramedFamilies, FamilyCodesAndBits) {
  // Each family cancels with its own command; elsewhere that code is unknown.
  for (const auto& [family, cancel, other] : {std::tuple{kDaisy, 0x82, 0x3C}, std::tuple{kDatecsA, 0x3C, 0x82},
                                              std::tuple{kDatecsB, 0x3C, 0x82}, std::tuple{kEltrade, 0x3C, 0x82}}) {
    TDevice device(family);
    device.Ask(family.Name == std::string("eltrade") ? 0x90 : 0x30,
               family.Name == std::string("eltrade") ? "1," : family.Name == std::string("daisy") ? "1,1," : "1,0,1");
    EXPECT_TRUE(BitSet(device.Ask(other), 0, 1)) << family.Name;
    EXPECT_FALSE(BitSet(device.Ask(cancel), 2, 3)) << family.Name;
    ASSERT_EQ(device.Roll.size(), 1u) << family.Name;
    EXPECT_NE(device.Roll[0].find("АНУЛИРАН"), std::string::npos);
  }

  // An open storno receipt shows in bit 1.4 on family A only.
  TDevice a(kDatecsA), b(kDatecsB);
  EXPECT_TRUE(BitSet(a.Ask(0x2E, "1,0000,1,U,R1,U,050120241407,02517985"), 1, 4));
  EXPECT_FALSE(BitSet(b.Ask(0x2E, "1,0,U,1,1,1,050120241407,02636414"), 1, 4));

  // Card is "C" on Datecs and "L" on Eltrade.
  TDevice eltrade(kEltrade);
  eltrade.Ask(0x90, "1,");
  eltrade.Ask(0x31, "X\tA1");
  EXPECT_EQ(ClassicReplyData(eltrade.Ask(0x35, "\n\tL")), "R0.00");
  eltrade.Ask(0x38);
  EXPECT_NE(eltrade.Roll[0].find("С КАРТА"), std::string::npos) << eltrade.Roll[0];

  // Only Daisy carries a device error number.
  for (const TFamily& family : {kDatecsA, kDatecsB, kEltrade}) {
    emulator::TFaultPlan plan;
    plan.Add(emulator::ParseFaultRule("error=5"));
    emulator::TDeviceSetup setup;
    EXPECT_THROW(emulator::TEmuDevice(family.Create(setup), plan), emulator::EFaultRuleError) << family.Name;
  }
}

}  // namespace
