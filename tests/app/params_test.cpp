// Run options: params.txt decoding and tokenising, name/value entries, the option record and its payloads.
#include "app/params.h"

#include <gtest/gtest.h>

#include "model/errors.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "app/test_folder.h"

namespace {

using app::TFpInputParameters;
using app::TFpParamsHandlerBasic;
using app::TParamsList;
using Tokens = std::vector<std::string>;

TEST(ParamsFileTest, TokenizerSplitsAtBlanksAndLineBreaksAndKeepsQuotedStretches) {
  const std::pair<std::string, Tokens> cases[] = {
      {"/listDevices /fiscalMemoryNo:123", {"/listDevices", "/fiscalMemoryNo:123"}},
      {"\r\n/a\r\n\r\n/b  /c\n", {"/a", "/b", "/c"}},
      {"", {}},
      {" \r\n ", {}},
      {"/a\t/b", {"/a\t/b"}},  // a tab does not separate
      {"/output:\"C:\\My Results\\r.txt\" /getStatus", {"/output:\"C:\\My Results\\r.txt\"", "/getStatus"}},
      {"/a:'x y' /b", {"/a:'x y'", "/b"}},
      {"/a:\"it's\" /b", {"/a:\"it's\"", "/b"}},  // the other quote kind is plain text inside
      {"/a:it's x\r\n/b", {"/a:it's x\r\n/b"}},   // unclosed: runs to the end
      {"/a:it's x /b:y' /c", {"/a:it's x /b:y'", "/c"}},
      {"/writeBon:pc:1:2:3:Продажба\\nКрай /input:бон.txt", {"/writeBon:pc:1:2:3:Продажба\\nКрай", "/input:бон.txt"}},
  };
  for (const auto& [text, tokens] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TFpParamsHandlerBasic::TokenizeParamsText(text), tokens);
  }
}

TEST(ParamsFileTest, DecodesByByteOrderMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xEF\xBB\xBF/ui Каса", "/ui Каса"},
      {std::string("\xFF\xFE/\0\x1A\x04", 6), "/К"},
      {std::string("\xFE\xFF\0/\x04\x1A", 6), "/К"},
      {std::string("\xFF\xFE/\0\x1A", 5), "/"},  // a dangling odd byte is dropped
      {"/\xCA\xE0\xF1\xE0", "/" + platform::AnsiToUtf8("\xCA\xE0\xF1\xE0")},  // no mark: "/Каса" in 1251
      {"", ""},
  };
  for (const auto& [bytes, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TFpParamsHandlerBasic::DecodeParamsFile(bytes), text);
  }
}

TEST(ParamsEntryTest, FirstCharacterDroppedFirstColonSplitsQuotesLeaveTheValue) {
  const std::pair<std::string, std::string> cases[] = {
      {"/fiscalMemoryNo:123", "fiscalMemoryNo=123"},
      {"/listDevices", "listDevices="},
      {"/output:C:\\out\\res.txt", "output=C:\\out\\res.txt"},
      {"listDevices", "istDevices="},  // no leading "/": the first letter is lost
      {"-getStatus", "getStatus="},
      {"/output:\"C:\\My Results\\r.txt\"", "output=C:\\My Results\\r.txt"},
      {"/a\"b:c\"d", "a\"b=cd"},  // quotes are removed from the value only
      {"/input:'x y'", "input='x y'"},
      {"Жinput:файл.txt", "input=файл.txt"},  // a multi-byte first character goes whole
      {"/x:", "x="},
      {":abc", "=abc"},
      {"/", "="},
  };
  for (const auto& [token, entry] : cases) {
    SCOPED_TRACE(token);
    EXPECT_EQ(TFpParamsHandlerBasic::TokenToEntry(token), entry);
  }
}

TEST(ParamsSourceTest, ParamsFileBeatsTheCommandLine) {
  app_tests::TestFolder dir;
  const std::string folder = dir.Path() + "/";
  const std::vector<std::string> args = {"/listDevices", "/fiscalMemoryNo:\"12 34\""};

  TParamsList fromArgs;
  TFpParamsHandlerBasic::ParseParameters(folder, args, fromArgs);
  EXPECT_EQ(fromArgs, (TParamsList{"listDevices=", "fiscalMemoryNo=12 34"}));

  platform::WriteAllBytes(folder + "params.txt", std::string("\xFF\xFE/\0u\0i\0\r\0\n\0/\0x\0:\0\x16\x04", 20));
  TParamsList fromFile;
  TFpParamsHandlerBasic::ParseParameters(folder, args, fromFile);
  EXPECT_EQ(fromFile, (TParamsList{"ui=", "x=Ж"}));

  platform::WriteAllBytes(folder + "params.txt", "");
  TParamsList empty;
  TFpParamsHandlerBasic::ParseParameters(folder, args, empty);
  EXPECT_TRUE(empty.empty());
}

TEST(ParamsObjectTest, NamesMatchInAnyCaseAndTheFirstEntryCounts) {
  const TParamsList list = {"LISTDEVICES=", "getstatus=0",     "fiscalMemoryNo=111", "FISCALMEMORYNO=222",
                            "output=a.txt", "istDevices=",     "checkStatus=",       "HandleBons=x",
                            "ui=",          "unknownOption=1", "input="};
  TFpInputParameters p;
  TFpParamsHandlerBasic::LoadParametersObject(list, p);
  EXPECT_TRUE(p.ListDevices);
  EXPECT_TRUE(p.GetStatus);  // a flag counts whatever its value
  EXPECT_FALSE(p.WriteBon);
  EXPECT_EQ(p.WriteBonData, nullptr);
  EXPECT_EQ(p.FiscalMemoryNo, "111");
  EXPECT_EQ(p.OutputFile, "a.txt");
  EXPECT_TRUE(p.CheckStatus);
  EXPECT_TRUE(p.HandleBons);
  EXPECT_TRUE(p.Ui);
  EXPECT_FALSE(p.Start);
  EXPECT_FALSE(p.GetUnp);
  EXPECT_EQ(p.GetUnpData, nullptr);
  EXPECT_EQ(p.InputFile, "");

  TFpInputParameters none;
  TFpParamsHandlerBasic::LoadParametersObject({}, none);
  EXPECT_FALSE(none.ListDevices || none.GetStatus || none.WriteBon || none.CheckStatus || none.HandleBons ||
               none.Start || none.Ui || none.GetUnp);
}

struct WriteBonCase {
  std::string Raw;
  std::string ComputerName, FpNo, Unp, DocId, Data;
};

TEST(WriteBonTest, ValueSplitsIntoFiveParts) {
  const WriteBonCase cases[] = {
      {"PC1:123:DT000001-0001-0000017:17:S,1\\nT,10:30\\nE",
       "PC1", "123", "DT000001-0001-0000017", "17", "S,1\r\nT,10:30\r\nE"},
      {"a:b:c", "", "", "", "", ""},  // fewer than four parts: nothing assigned
      {"a:b:c:d", "a", "b", "c", "d", ""},
      {"a:b:c:d:", "a", "b", "c", "d", ""},
      {"::::\\n\\\\n", "", "", "", "", "\r\n\\\r\n"},
      {"", "", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Raw);
    app::TWriteBonData d;
    d.SetData(c.Raw, "");
    EXPECT_EQ(d.ComputerName, c.ComputerName);
    EXPECT_EQ(d.FpNo, c.FpNo);
    EXPECT_EQ(d.Unp, c.Unp);
    EXPECT_EQ(d.DocId, c.DocId);
    EXPECT_EQ(d.Data, c.Data);
  }
}

TEST(WriteBonTest, InputFileReplacesTheScript) {
  app_tests::TestFolder dir;
  const std::string bon = dir.File("бон.txt");
  platform::WriteAllBytes(bon, "\xEF\xBB\xBFS,1\r\nL,Текст\nE\r\n");
  TFpInputParameters p;
  TFpParamsHandlerBasic::LoadParametersObject({"writeBon=pc:1:2:3:X,1", "input=" + bon}, p);
  ASSERT_TRUE(p.WriteBon);
  ASSERT_NE(p.WriteBonData, nullptr);
  EXPECT_EQ(p.WriteBonData->ComputerName, "pc");
  EXPECT_EQ(p.WriteBonData->Data, "S,1\r\nL,Текст\nE\r\n");  // mark dropped, line breaks as they are

  TFpInputParameters bare;
  TFpParamsHandlerBasic::LoadParametersObject({"writeBon=", "input=" + bon}, bare);
  EXPECT_EQ(bare.WriteBonData->Data, "S,1\r\nL,Текст\nE\r\n");

  // Without writeBon the input file is not read at all.
  TFpInputParameters unused;
  EXPECT_NO_THROW(TFpParamsHandlerBasic::LoadParametersObject({"input=" + dir.File("missing.txt")}, unused));
}

TEST(WriteBonTest, MissingInputFileRaisesNamingThePath) {
  app_tests::TestFolder dir;
  const std::string missing = dir.File("missing.txt");
  TFpInputParameters p;
  try {
    TFpParamsHandlerBasic::LoadParametersObject({"writeBon=", "input=" + missing}, p);
    FAIL() << "no error raised";
  } catch (const model::EInOutError& e) {
    EXPECT_EQ(std::string(e.what()), "File not found: \"" + missing + "\"");
  }
}

TEST(GetUnpTest, ValueSplitsIntoAtMostThreeParts) {
  struct Case {
    std::string Raw;
    std::string Preferred, Operator;
    bool Fail;
  };
  const Case cases[] = {
      {"123:5:1", "123", "5", true},
      {"123:5:1:x", "123", "5", false},  // third part is "1:x"
      {"123:5", "123", "5", false},
      {"123:5:0", "123", "5", false},
      {":", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Raw);
    TFpInputParameters p;
    TFpParamsHandlerBasic::LoadParametersObject({"getUnp=" + c.Raw}, p);
    ASSERT_TRUE(p.GetUnp);
    ASSERT_NE(p.GetUnpData, nullptr);
    EXPECT_EQ(p.GetUnpData->PreferredFpNo, c.Preferred);
    EXPECT_EQ(p.GetUnpData->OperatorNo, c.Operator);
    EXPECT_EQ(p.GetUnpData->FailIfNotPreferred, c.Fail);
  }

  TFpInputParameters empty;
  TFpParamsHandlerBasic::LoadParametersObject({"getUnp="}, empty);
  EXPECT_FALSE(empty.GetUnp);
  EXPECT_EQ(empty.GetUnpData, nullptr);
}

TEST(GetUnpTest, ValueWithoutColonRaisesAnIndexError) {
  TFpInputParameters p;
  try {
    TFpParamsHandlerBasic::LoadParametersObject({"getUnp=123"}, p);
    FAIL() << "no error raised";
  } catch (const model::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
}

}  // namespace
