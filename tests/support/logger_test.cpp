#include "support/logger.h"

#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "support/runtime.h"
#include "temp_dir.h"

namespace support {
namespace {

using testutil::TempDir;

TEST(Logger, EntriesAreAppendedWithTimeStampAndEmptyLine) {
  TempDir dir;
  fakes::FakeClock clock;
  TRuntimeScope scope(nullptr, nullptr, &clock, &clock);
  TLogger log(dir.File("prog.exe.log"));
  EXPECT_FALSE(std::filesystem::exists(log.FileName()));  // creating the log touches nothing

  log.Log("Грешка: няма отговор");
  clock.SleepMs(61000);
  log.Log("two\r\nlines");
  EXPECT_EQ(TempDir::Read(log.FileName()),
            "2024-03-05 14:07:09\r\n\xD0\x93\xD1\x80\xD0\xB5\xD1\x88\xD0\xBA\xD0\xB0: "
            "\xD0\xBD\xD1\x8F\xD0\xBC\xD0\xB0 \xD0\xBE\xD1\x82\xD0\xB3\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x80\r\n\r\n"
            "2024-03-05 14:08:10\r\ntwo\r\nlines\r\n\r\n");
}

TEST(Logger, UnwritableLogRaises) {
  TempDir dir;
  TLogger log(dir.File("missing-folder/prog.exe.log"));
  EXPECT_THROW(log.Log("x"), std::runtime_error);
}

TEST(Runtime, ScopeInstallsAndRestores) {
  TempDir dir;
  fakes::FakeClock outer, inner;
  TPrgSettings settings(dir.File("prog.exe.ini"), "k");
  TLogger logger(dir.File("prog.exe.log"));
  EXPECT_FALSE(TRuntime::HasSettings());
  EXPECT_THROW(TRuntime::Settings(), std::runtime_error);
  EXPECT_THROW(TRuntime::Logger(), std::runtime_error);
  {
    TRuntimeScope a(&settings, &logger, &outer, &outer);
    {
      TRuntimeScope b(nullptr, nullptr, &inner);  // null leaves settings, log and sleeper as they were
      EXPECT_EQ(&TRuntime::Clock(), &inner);
      EXPECT_EQ(&TRuntime::Settings(), &settings);
      EXPECT_EQ(&TRuntime::Logger(), &logger);
      TRuntime::Sleeper().SleepMs(5);
    }
    EXPECT_EQ(&TRuntime::Clock(), &outer);
    EXPECT_EQ(outer.TotalSleptMs(), 5);
  }
  EXPECT_FALSE(TRuntime::HasSettings());
  EXPECT_FALSE(TRuntime::HasLogger());
  EXPECT_EQ(&TRuntime::Clock(), &platform::SystemClock());
}

}  // namespace
}  // namespace support
