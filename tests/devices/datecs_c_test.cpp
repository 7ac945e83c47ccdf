#include "devices/datecs_c.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <utility>

#include "devices/datecs_c_errors.h"
#include "devices/framed_reply.h"
#include "model/date_time.h"

namespace {

using devices::TFpDatecsC;
using devtest::Bytes;
using devtest::Command8;
using devtest::Data8;
using devtest::Reply8;
using devtest::Status8;
using Rig = devtest::TRig<TFpDatecsC>;

const Status8 kHealthy{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};

// ---- frames ----

TEST(DatecsC, RequestFramesByteForByte) {
  const struct {
    const char* Name;
    std::function<void(TFpDatecsC&)> Run;
    Bytes Frame;
  } cases[] = {
      {"status, first request (sequence 2)", [](auto& fp) { fp.GetStatus(false); },
       {0x01,                    // preamble
        0x30, 0x30, 0x32, 0x3A,  // length 0x002A = 0x20 + 10
        0x22,                    // sequence 2
        0x30, 0x30, 0x35, 0x3A,  // command 0x005A
        0x05,                    // end of checksummed part
        0x30, 0x31, 0x3C, 0x32,  // checksum 0x01C2
        0x03}},
      {"X report as second request (sequence 3)",
       [](auto& fp) {
         fp.GetStatus(false);
         fp.XReport();
       },
       {0x01,
        0x30, 0x30, 0x32, 0x3C,  // length 0x002C = 0x20 + 10 + 2
        0x23,                    // sequence 3
        0x30, 0x30, 0x34, 0x35,  // command 0x0045
        0x58, 0x09,              // "X", TAB
        0x05,
        0x30, 0x32, 0x32, 0x30,  // checksum 0x0220
        0x03}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.AnswerEvery8();
    c.Run(rig.Fp);
    ASSERT_FALSE(rig.Port.Writes.empty());
    EXPECT_EQ(rig.Port.Writes.back(), c.Frame);
  }
}

TEST(DatecsC, AcceptsValidReplyAndResendsUnchangedFrameOnBadOnes) {
  const struct {
    const char* Name;
    std::function<Bytes(const Bytes& request)> Reply;
    model::TFpResultType Type;
    std::size_t Transmissions;
  } cases[] = {
      {"valid", [](const Bytes& q) { return Reply8(q[5], 0x5A, "A,B,C,D,DT1,02", kHealthy); }, model::fprOk, 1},
      {"length one too many", [](const Bytes& q) { return Reply8(q[5], 0x5A, "x\t", kHealthy, +1); },
       model::fprErrorInResponse, 5},
      {"length one too few", [](const Bytes& q) { return Reply8(q[5], 0x5A, "x\t", kHealthy, -1); },
       model::fprErrorInResponse, 5},
      {"wrong sequence", [](const Bytes& q) { return Reply8(q[5] + 1, 0x5A, "", kHealthy); },
       model::fprErrorInResponse, 5},
      {"bad checksum",
       [](const Bytes& q) {
         auto f = Reply8(q[5], 0x5A, "", kHealthy);
         f[f.size() - 2] ^= 0x01;
         return f;
       },
       model::fprErrorInResponse, 5},
      // Well formed, but one byte too short to hold the status bytes.
      {"seven status bytes",
       [](const Bytes& q) {
         auto f = Reply8(q[5], 0x5A, "", kHealthy);
         f.erase(f.begin() + 11);
         devtest::Refit8(f);
         return f;
       },
       model::fprErrorInResponse, 5},
      // An echo of the request is well formed but has no status bytes.
      {"echo of the request", [](const Bytes& q) { return q; }, model::fprErrorInResponse, 5},
      {"six-status frame",
       [](const Bytes& q) { return devtest::Reply6(q[5], 0x5A, "", {0x80, 0x80, 0x80, 0x80, 0x80, 0x80}); },
       model::fprErrorInResponse, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.Port.Responder = [&](const Bytes& q) { return fakes::Reply{{0, c.Reply(q)}}; };
    auto status = rig.Fp.GetStatus(false);
    EXPECT_EQ(status->ResultType, c.Type);
    ASSERT_EQ(rig.Port.Writes.size(), c.Transmissions);
    for (const auto& frame : rig.Port.Writes) EXPECT_EQ(frame, rig.Port.Writes.front());
  }
}

TEST(DatecsC, ReplyWithBadLengthThenGoodOneSucceedsOnResend) {
  Rig rig;
  rig.Port.QueueReply(Reply8(0x22, 0x5A, "DP-25X,1,2,3,DT000001,02000001", kHealthy, 2));
  rig.Port.QueueReply(Reply8(0x22, 0x5A, "DP-25X,1,2,3,DT000001,02000001", kHealthy));
  auto status = rig.Fp.GetStatus(false);
  EXPECT_EQ(status->ResultType, model::fprOk);
  EXPECT_EQ(rig.Port.Writes.size(), 2u);
  EXPECT_EQ(status->FpModel, "DP-25X");
  EXPECT_EQ(status->FpNo, "DT000001");
  EXPECT_EQ(status->FpMem, "02000001");
}

TEST(DatecsC, ParsesDataAndEightStatusBytes) {
  Rig rig;
  rig.AnswerEvery8();
  rig.AnswerData = "0\t05-03-24 14:07:09\t";
  rig.AnswerStatus8 = {0x80, 0x80, 0x80, 0xFF, 0x80, 0x80, 0xFF, 0x81};  // bytes 3, 6, 7 carry no reported bit
  auto status = rig.Fp.GetStatus(false);
  EXPECT_EQ(status->ResultType, model::fprOk);
  EXPECT_EQ(status->ResponseRaw, "0\t05-03-24 14:07:09\t");
  EXPECT_EQ(status->StatusCode,
            "(10000000, 10000000, 10000000, 11111111, 10000000, 10000000, 11111111, 10000001)");
  EXPECT_EQ(status->StatusText, "");
  EXPECT_EQ(status->FpModel, "");  // not six fields
}

TEST(DatecsC, ErrorReplyNamesTheDeviceError) {
  const struct {
    const char* Data;
    const char* Text;
  } cases[] = {
      {"-111047\t", "Грешка: -111047. ERR_R_OPEN_FISCALBON Registration mode error: fiscal receipt is opened"},
      {"-101007", "Грешка: -101007. ERR_TMOUT Common logical error: Timeout. The time for waiting execution is out"},
      {"-999999\t", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Data);
    Rig rig;
    rig.AnswerEvery8();
    rig.AnswerData = c.Data;
    rig.AnswerStatus8[1] |= 0x02;  // 1.1: not allowed in this mode
    auto result = rig.Fp.FiscalBonStart("1", "0", "");
    EXPECT_EQ(result->ResultType, model::fprStatusError);
    EXPECT_EQ(result->ResultText, c.Text);
    EXPECT_NE(result->StatusErrors.find("(1.1#)"), std::string::npos);
  }
}

TEST(DatecsC, BonOpenFollowsThePreviousReply) {
  for (std::uint8_t mask : {std::uint8_t{0x08}, std::uint8_t{0x20}}) {
    SCOPED_TRACE(int(mask));
    Rig rig;
    rig.AnswerEvery8();
    rig.AnswerStatus8[2] |= mask;
    EXPECT_FALSE(rig.Fp.GetStatus(false)->FpIsBonOpen);
    rig.AnswerStatus8 = kHealthy;
    EXPECT_TRUE(rig.Fp.GetStatus(false)->FpIsBonOpen);
    EXPECT_FALSE(rig.Fp.GetStatus(false)->FpIsBonOpen);
  }
}

// ---- the device error table ----

TEST(DatecsC, ErrorTableLookup) {
  const std::pair<const char*, const char*> cases[] = {
      {"-101007", "ERR_TMOUT Common logical error: Timeout. The time for waiting execution is out"},
      {"-110209", "ERR_NAP_NOTPERSONALIZED NAP server error: Not registered on server"},
      {"-100001", "ERR_IO General error in fiscal device: In - out error( cannot read or write )"},
      {"-101014", "ERR_ACCESS_DENIED ERR_ACCESS_DENIED"},
      {"-112100", "_ERR_FP_SYNTAX_PARAM_BEGIN _ERR_FP_SYNTAX_PARAM_BEGIN"},
      {"-170005", "ERR_FILE_UNPACK USB error: Cannot unpack the file"},
      {"0", ""},
      {"", ""},
      {"-111047\t", ""},
  };
  for (const auto& [code, value] : cases) EXPECT_EQ(TFpDatecsC::GetErrorByCode(code), value) << code;
}

TEST(DatecsC, ErrorTableHasEveryDeviceRowOnce) {
  const auto& rows = devices::DatecsCErrorRows();
  ASSERT_EQ(rows.size(), 460u);
  EXPECT_EQ(rows.front().Code, "-100001");
  EXPECT_EQ(rows.back().Code, "-170005");
  std::set<std::string> codes;
  std::multiset<std::string> duplicates;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Code);
    EXPECT_EQ(row.Code.front(), '-');
    EXPECT_EQ(row.Code.find_first_not_of("0123456789", 1), std::string::npos);
    // Name, a blank, then a message that is either the name again or "category: description".
    auto blank = row.Value.find(' ');
    ASSERT_NE(blank, std::string::npos);
    std::string name = row.Value.substr(0, blank);
    std::string message = row.Value.substr(blank + 1);
    EXPECT_TRUE(message == name || message.find(": ") != std::string::npos) << row.Value;
    if (!codes.insert(row.Code).second) duplicates.insert(row.Code);
  }
  EXPECT_EQ(duplicates, (std::multiset<std::string>{"-101007", "-110209"}));
}

// ---- data layouts ----

struct TLayoutCase {
  const char* Name;
  std::function<void(TFpDatecsC&)> Run;
  unsigned Command;
  const char* Data;
};

TEST(DatecsC, ReceiptLayouts) {
  const TLayoutCase cases[] = {
      {"start without sale number", [](auto& fp) { fp.FiscalBonStart("1", "0", ""); }, 0x30, "1\t0\t1\t\t"},
      {"start with sale number", [](auto& fp) { fp.FiscalBonStart("1", "0", "DT000001-0001-0000001"); }, 0x30,
       "1\t0\tDT000001-0001-0000001\t1\t\t"},
      {"storno",
       [](auto& fp) {
         fp.FiscalBonStorno("1", "0", "U7", "1", "0000123", model::EncodeDateTime({2024, 1, 5, 14, 7, 0, 0}),
                            "02000001");
       },
       0x2B, "1\t0\tU7\t1\t1\t0000123\t050120241407\t02000001\t"},
      {"storno keeps an empty sale number field",
       [](auto& fp) {
         fp.FiscalBonStorno("1", "0", "", "0", "9", model::EncodeDateTime({2024, 12, 31, 23, 59, 0, 0}), "M");
       },
       0x2B, "1\t0\t\t1\t0\t9\t311220242359\tM\t"},
      {"item, Latin A", [](auto& fp) { fp.FiscalBonItem("Кафе", "с мляко", "A", 2.675L, 1); }, 0x31,
       "Кафе с мляко\t1\t2.675\t1\t0\t\t0\t"},
      {"item, Cyrillic А, name trimmed", [](auto& fp) { fp.FiscalBonItem("  Хляб", "", "А", 1.5L, 0.25L); }, 0x31,
       "Хляб\t1\t1.5\t0.25\t0\t\t0\t"},
      {"text line", [](auto& fp) { fp.FiscalBonTextLine("Благодарим!"); }, 0x36, "Благодарим!\t"},
      {"total without amount", [](auto& fp) { fp.FiscalBonTotal("a", "b", "0", 0); }, 0x35, "0\t\t"},
      {"total with amount", [](auto& fp) { fp.FiscalBonTotal("a", "b", "3", 12.5L); }, 0x35, "3\t12.5\t"},
      {"cash out", [](auto& fp) { fp.CashInOut(-12.5L); }, 0x46, "1\t12.5\t"},
      {"cash in", [](auto& fp) { fp.CashInOut(20); }, 0x46, "0\t20\t"},
      {"X report", [](auto& fp) { fp.XReport(); }, 0x45, "X\t"},
      {"Z report", [](auto& fp) { fp.ZReport(); }, 0x45, "Z\t"},
      {"cancel", [](auto& fp) { fp.FiscalBonCancel(); }, 0x3C, ""},
      {"clock", [](auto& fp) { fp.GetDateTime(); }, 0x3E, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.AnswerEvery8();
    rig.AnswerData = "0\t";
    c.Run(rig.Fp);
    ASSERT_GE(rig.Port.Writes.size(), 1u);
    EXPECT_EQ(Command8(rig.Port.Writes[0]), c.Command);
    EXPECT_EQ(Data8(rig.Port.Writes[0]), c.Data);
  }
}

TEST(DatecsC, SetDateTimeMarksSummerTime) {
  for (bool dst : {false, true}) {
    SCOPED_TRACE(dst);
    Rig rig;
    rig.Clock.Dst = dst;
    rig.AnswerEvery8();
    rig.Fp.SetDateTime("2024-07-05 14:07:09");
    ASSERT_EQ(rig.Port.Writes.size(), 1u);
    EXPECT_EQ(Command8(rig.Port.Writes[0]), 0x3Du);
    EXPECT_EQ(Data8(rig.Port.Writes[0]), dst ? "05-07-24 14:07:09 DST\t" : "05-07-24 14:07:09\t");
  }
}

TEST(DatecsC, UnmappedVatGroupRaisesAndSendsNothing) {
  for (const char* group : {"Б", "B", "a", ""}) {
    SCOPED_TRACE(group);
    Rig rig;
    rig.AnswerEvery8();
    try {
      rig.Fp.FiscalBonItem("Кафе", "", group, 1, 1);
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), std::string("VatGroup not supported for parDepartment: _") + group + "_");
    }
    EXPECT_TRUE(rig.Port.Writes.empty());
  }
}

TEST(DatecsC, RequestDataUpTo240BytesFitTheFrame) {
  Rig rig;
  rig.AnswerEvery8();
  auto fits = rig.Fp.FiscalBonTextLine(std::string(239, 'x'));  // + TAB = 240
  EXPECT_EQ(fits->ResultType, model::fprOk);
  ASSERT_EQ(rig.Port.Writes.size(), 1u);
  EXPECT_EQ(rig.Port.Writes[0].size(), 256u);

  auto tooLong = rig.Fp.FiscalBonTextLine(std::string(240, 'x'));
  EXPECT_EQ(tooLong->ResultType, model::fprError);
  EXPECT_EQ(rig.Port.Writes.size(), 1u);
}

// ---- replies read field by field ----

// A device that answers each command number with its own data.
void AnswerByCommand(Rig& rig, std::map<unsigned, std::string> data) {
  rig.Port.Responder = [&rig, data](const Bytes& q) {
    auto it = data.find(Command8(q));
    if (it == data.end()) return fakes::Reply{};
    return fakes::Reply{{0, Reply8(q[5], Command8(q), it->second, rig.AnswerStatus8)}};
  };
}

TEST(DatecsC, FiscalBonEndReadsReceiptNumberThenStatus) {
  const struct {
    const char* CloseReply;
    const char* BonNo;
  } cases[] = {
      {"0\t0000123\t", "0000123"},
      {"0", ""},  // too short: no second field
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.CloseReply);
    Rig rig;
    AnswerByCommand(rig, {{0x38, c.CloseReply}, {0x5A, "FP-700X,a,b,c,DT000001,02000001"}});
    auto result = rig.Fp.FiscalBonEnd();
    EXPECT_EQ(result->ResultType, model::fprOk);
    EXPECT_EQ(result->FpBonNo, c.BonNo);
    EXPECT_EQ(result->FpNo, "DT000001");
    EXPECT_EQ(result->FpMem, "02000001");
    ASSERT_EQ(rig.Port.Writes.size(), 2u);
    EXPECT_EQ(Command8(rig.Port.Writes[1]), 0x5Au);
  }
}

TEST(DatecsC, FiscalBonEndWithoutAnswerKeepsTheExchangeResult) {
  Rig rig;
  AnswerByCommand(rig, {{0x5A, "FP-700X,a,b,c,DT000001,02000001"}});
  auto result = rig.Fp.FiscalBonEnd();
  EXPECT_EQ(result->ResultType, model::fprNoResponse);
  EXPECT_EQ(result->ResultText, "Няма отговор!");
  EXPECT_EQ(result->FpBonNo, "");
  EXPECT_EQ(result->FpNo, "DT000001");
}

TEST(DatecsC, CashInOutOutcome) {
  const char* refused =
      "Заявката е отказана. Това става, ако: \r• Касовата наличност е по-малка от заявения служебен износ.\r"
      "• Има отворен фискален или служебен бон.";
  const struct {
    const char* Name;
    std::map<unsigned, std::string> Device;
    model::TFpResultType Type;
    const char* Text;
  } cases[] = {
      {"done", {{0x46, "0\t150.00\t0.00\t"}}, model::fprOk, ""},
      {"refused", {{0x46, "-111018\t"}}, model::fprError, refused},
      {"no answer", {}, model::fprNoResponse, "Няма отговор!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    AnswerByCommand(rig, c.Device);
    auto result = rig.Fp.CashInOut(-12.5L);
    EXPECT_EQ(result->ResultType, c.Type);
    EXPECT_EQ(result->ResultText, c.Text);
  }
}

TEST(DatecsC, GetDateTimeReadsTheSecondField) {
  const struct {
    const char* Reply;
    model::TDateTime Expected;
  } cases[] = {
      {"0\t05-03-24 14:07:09\t", model::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0})},
      {"05-03-24 14:07:09", 0},
      {"0\tnot a date\t", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply);
    Rig rig;
    rig.AnswerEvery8();
    rig.AnswerData = c.Reply;
    EXPECT_DOUBLE_EQ(rig.Fp.GetDateTime(), c.Expected);
  }
  Rig silent;
  EXPECT_EQ(silent.Fp.GetDateTime(), 0);
}

TEST(DatecsC, FamilyConstants) {
  TFpDatecsC fp;
  const std::pair<model::TFpCommand, const char*> cases[] = {
      {model::TFpCommand::PaymentMethodCash, "0"},    {model::TFpCommand::PaymentMethodCard, "1"},
      {model::TFpCommand::PaymentMethodDelayed, "3"}, {model::TFpCommand::StornoReasonError, "0"},
      {model::TFpCommand::StornoReasonReturn, "1"},   {model::TFpCommand::StornoReasonDecrease, "2"},
  };
  for (const auto& [command, code] : cases)
    EXPECT_EQ(fp.CommandTable().GetVendorCode(command).AsText(), code);
  EXPECT_THROW(fp.CommandTable().GetVendorCode(model::TFpCommand::FiscalBonNumberGet), std::runtime_error);
  EXPECT_EQ(fp.VendorLetters(), "DT");
  EXPECT_EQ(fp.DefaultPassword().size(), 1u);
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::DatecsC);
  EXPECT_EQ(fp.StatusList().Count(), 23u);
  EXPECT_TRUE(fp.CheckModel(model::TFpResult{}));
}

}  // namespace
