#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/win32/wide.h"
#include "temp_dir.h"

namespace {

using win32_tests::TempDir;

// Another program holding the file open with the given access and share mode.
class HeldFile {
public:
  HeldFile(const std::string& path, DWORD access, DWORD share)
      : mHandle(CreateFileW(platform::win32::Widen(path).c_str(), access, share, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (mHandle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
  }
  ~HeldFile() { Release(); }
  void Release() {
    if (mHandle != INVALID_HANDLE_VALUE) CloseHandle(mHandle);
    mHandle = INVALID_HANDLE_VALUE;
  }

private:
  HANDLE mHandle;
};

TEST(Win32Files, WholeFileRoundTripKeepsEveryByteUnderACyrillicName) {
  TempDir dir;
  const std::string path = dir.File("Каса №1.txt");
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  platform::WriteAllBytes(path, bytes + bytes);
  platform::WriteAllBytes(path, bytes);  // truncates
  EXPECT_EQ(platform::ReadAllBytes(path), bytes);
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(platform::win32::Widen(path))));
}

TEST(Win32Files, ExistsOnlyForRegularFiles) {
  TempDir dir;
  platform::WriteAllBytes(dir.File("f"), "");
  EXPECT_TRUE(platform::FileExists(dir.File("f")));
  EXPECT_FALSE(platform::FileExists(dir.File("missing")));
  EXPECT_FALSE(platform::FileExists(dir.Path()));
}

TEST(Win32Files, ErrorsNameThePath) {
  TempDir dir;
  const std::string missing = dir.File("no\\such\\file");
  for (auto op : {+[](const std::string& p) { platform::ReadAllBytes(p); },
                  +[](const std::string& p) { platform::WriteAllBytes(p, "x"); },
                  +[](const std::string& p) { platform::AppendExclusive(p, "x"); },
                  +[](const std::string& p) { platform::ReplaceFileAtomically(p, "x"); }}) {
    try {
      op(missing);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(dir.Path() + "\\no\\such\\"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("(code 3)"), std::string::npos) << e.what();  // path not found
    }
  }
}

TEST(Win32Files, ReplaceSwapsTheWholeContentAndLeavesNoTemporaryBehind) {
  TempDir dir;
  const std::string path = dir.File("ruvex.exe.ini");
  platform::ReplaceFileAtomically(path, "first, long content\r\n");
  platform::ReplaceFileAtomically(path, "short");
  EXPECT_EQ(platform::ReadAllBytes(path), "short");
  EXPECT_EQ(dir.Entries(), 1);
}

TEST(Win32Files, ReplaceWhileAReaderHoldsTheFileFailsCleanlyAndKeepsTheOldContent) {
  TempDir dir;
  const std::string path = dir.File("ruvex.exe.ini");
  platform::WriteAllBytes(path, "old");
  {
    HeldFile reader(path, GENERIC_READ, FILE_SHARE_READ);  // shares no deletion, so no rename over it
    EXPECT_THROW(platform::ReplaceFileAtomically(path, "new"), std::runtime_error);
  }
  EXPECT_EQ(platform::ReadAllBytes(path), "old");
  EXPECT_EQ(dir.Entries(), 1);
}

TEST(Win32Files, AppendCreatesThenAppendsAlsoWhileAViewerHasTheLogOpen) {
  TempDir dir;
  const std::string path = dir.File("ruvex.exe.log");
  platform::AppendExclusive(path, "one\r\n");
  HeldFile viewer(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  platform::AppendExclusive(path, "two\r\n");
  EXPECT_EQ(platform::ReadAllBytes(path), "one\r\ntwo\r\n");
}

TEST(Win32Files, AppendGivesUpWithASharingErrorWhileAnotherWriterHoldsTheFile) {
  TempDir dir;
  const std::string path = dir.File("ruvex.exe.log");
  platform::WriteAllBytes(path, "kept");
  HeldFile writer(path, GENERIC_WRITE, FILE_SHARE_READ);
  const auto start = std::chrono::steady_clock::now();
  try {
    platform::AppendExclusive(path, "lost?");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("another process"), std::string::npos) << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  writer.Release();
  EXPECT_EQ(platform::ReadAllBytes(path), "kept");
}

TEST(Win32Files, AppendWaitsForAWriterThatFinishesSoon) {
  TempDir dir;
  const std::string path = dir.File("ruvex.exe.log");
  HeldFile writer(path, GENERIC_WRITE, FILE_SHARE_READ);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writer.Release();
  });
  EXPECT_NO_THROW(platform::AppendExclusive(path, "entry"));
  release.join();
  EXPECT_EQ(platform::ReadAllBytes(path), "entry");
}

TEST(Win32Files, DirectoryOfTakesEitherSeparator) {
  EXPECT_EQ(platform::DirectoryOf("C:\\Каса\\ruvex.exe"), "C:\\Каса\\");
  EXPECT_EQ(platform::DirectoryOf("Z:/work/ruvex.exe"), "Z:/work/");
  EXPECT_EQ(platform::DirectoryOf("ruvex.exe"), "");
}

}  // namespace
