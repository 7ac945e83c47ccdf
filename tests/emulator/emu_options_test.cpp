#include "emulator/emu_options.h"

#include <gtest/gtest.h>

namespace {

using emulator::ParseEmuOptions;

TEST(EmuOptions, ReadsTheCommandLine) {
  emulator::TEmuOptions options = ParseEmuOptions({});
  EXPECT_EQ(options.Family, "daisy");
  EXPECT_EQ(options.Transport, emulator::TEmuOptions::TTransport::Pty);

  options = ParseEmuOptions({"--family", "daisy", "--tcp", "0", "--fp-no", "DY1", "--fp-mem", "99", "--model", "M",
                             "--clock-offset", "-90", "--receipt-no", "41", "--fault", "0x31:nak*1", "--fault",
                             "split=30", "--journal", "j.txt", "--roll", "r.txt"});
  EXPECT_EQ(options.Transport, emulator::TEmuOptions::TTransport::Tcp);
  EXPECT_EQ(options.TcpPort, 0);
  EXPECT_EQ(options.FpNo, "DY1");
  EXPECT_EQ(options.FpMem, "99");
  EXPECT_EQ(options.Model, "M");
  EXPECT_EQ(options.ClockOffsetSeconds, -90);
  EXPECT_EQ(options.LastReceiptNo, 41);
  EXPECT_EQ(options.Faults.Rules().size(), 2u);
  EXPECT_EQ(options.JournalPath, "j.txt");
  EXPECT_EQ(options.RollPath, "r.txt");
  EXPECT_TRUE(ParseEmuOptions({"--help"}).Help);
}

TEST(EmuOptions, ExplainsMistakes) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--family", "epson"}, "unknown family \"epson\"; choose one of "},
      {{"--tcp"}, "--tcp needs a value"},
      {{"--tcp", "70000"}, "--tcp needs a port from 0 to 65535, not \"70000\""},
      {{"--pty", "--tcp", "1"}, "choose one of --pty and --tcp"},
      {{"--clock-offset", "5m"}, "--clock-offset needs whole seconds, as in 300 or -90, not \"5m\""},
      {{"--fp-no", "DY1,2"}, "--fp-no must not contain commas, semicolons or control characters: \"DY1,2\""},
      {{"--fault", "0x31:nack"}, "bad fault \"0x31:nack\": unknown action \"nack\" (see --help)"},
      {{"--verbose"}, "unknown option \"--verbose\""},
  };
  for (const auto& [args, message] : cases) {
    try {
      ParseEmuOptions(args);
      ADD_FAILURE() << message;
    } catch (const emulator::EUsageError& error) {
      EXPECT_EQ(std::string(error.what()).substr(0, std::string(message).size()), message);
    }
  }
}

}  // namespace
