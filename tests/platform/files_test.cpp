#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/files.h"
#include "temp_dir.h"

namespace {

using platform_tests::TempDir;

int EntriesIn(const std::string& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(Files, WholeFileRoundTripKeepsEveryByte) {
  TempDir dir;
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  platform::WriteAllBytes(dir.File("a.bin"), bytes + bytes);
  platform::WriteAllBytes(dir.File("a.bin"), bytes);  // truncates
  EXPECT_EQ(platform::ReadAllBytes(dir.File("a.bin")), bytes);
}

TEST(Files, ExistsOnlyForRegularFiles) {
  TempDir dir;
  platform::WriteAllBytes(dir.File("f"), "");
  EXPECT_TRUE(platform::FileExists(dir.File("f")));
  EXPECT_FALSE(platform::FileExists(dir.File("missing")));
  EXPECT_FALSE(platform::FileExists(dir.Path()));
}

TEST(Files, ErrorsNameThePathAndTheCause) {
  TempDir dir;
  const std::string missing = dir.File("no/such/file");
  for (auto op : {+[](const std::string& p) { platform::ReadAllBytes(p); },
                  +[](const std::string& p) { platform::WriteAllBytes(p, "x"); },
                  +[](const std::string& p) { platform::AppendExclusive(p, "x"); },
                  +[](const std::string& p) { platform::ReplaceFileAtomically(p, "x"); }}) {
    try {
      op(missing);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(dir.Path() + "/no/such/"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
  }
}

TEST(Files, ReplaceSwapsTheWholeContentAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const std::string path = dir.File("settings.ini");
  platform::ReplaceFileAtomically(path, "first, long content\r\n");
  ::chmod(path.c_str(), 0640);
  platform::ReplaceFileAtomically(path, "short");
  EXPECT_EQ(platform::ReadAllBytes(path), "short");
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Files, FailedReplaceKeepsTheOldFileAndCleansUp) {
  TempDir dir;
  const std::string path = dir.File("target");
  std::filesystem::create_directory(path + "_dir");
  platform::WriteAllBytes(path, "old");
  // Renaming a file over a non-empty directory fails after the temporary has been written.
  const std::string blocked = path + "_dir";
  platform::WriteAllBytes(blocked + "/inside", "x");
  EXPECT_THROW(platform::ReplaceFileAtomically(blocked, "new"), std::runtime_error);
  EXPECT_EQ(platform::ReadAllBytes(path), "old");
  EXPECT_EQ(EntriesIn(dir.Path()), 2);
}

TEST(Files, AppendCreatesThenAppends) {
  TempDir dir;
  const std::string path = dir.File("prog.log");
  platform::AppendExclusive(path, "one\r\n");
  platform::AppendExclusive(path, "two\r\n");
  EXPECT_EQ(platform::ReadAllBytes(path), "one\r\ntwo\r\n");
}

class HeldLock {
public:
  explicit HeldLock(const std::string& path) : mFd(::open(path.c_str(), O_RDWR | O_CREAT, 0666)) {
    if (mFd < 0 || ::flock(mFd, LOCK_EX) != 0) throw std::runtime_error("cannot lock " + path);
  }
  ~HeldLock() { Release(); }
  void Release() {
    if (mFd >= 0) ::close(mFd);
    mFd = -1;
  }

private:
  int mFd;
};

TEST(Files, AppendGivesUpWithASharingErrorWhileAnotherWriterHoldsTheFile) {
  TempDir dir;
  const std::string path = dir.File("prog.log");
  platform::WriteAllBytes(path, "kept");
  HeldLock lock(path);
  const auto start = std::chrono::steady_clock::now();
  try {
    platform::AppendExclusive(path, "lost?");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("another process"), std::string::npos) << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(platform::ReadAllBytes(path), "kept");
}

TEST(Files, AppendWaitsForAWriterThatFinishesSoon) {
  TempDir dir;
  const std::string path = dir.File("prog.log");
  HeldLock lock(path);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    lock.Release();
  });
  EXPECT_NO_THROW(platform::AppendExclusive(path, "entry"));
  release.join();
  EXPECT_EQ(platform::ReadAllBytes(path), "entry");
}

TEST(Files, DirectoryOfKeepsTheTrailingSeparator) {
  const struct {
    const char* Path;
    const char* Dir;
  } cases[] = {
      {"/opt/ruvex/ruvex", "/opt/ruvex/"}, {"/ruvex", "/"}, {"ruvex", ""}, {"a/b/", "a/b/"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::DirectoryOf(c.Path), c.Dir) << c.Path;
}

}  // namespace
