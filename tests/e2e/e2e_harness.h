#pragma once
// End-to-end harness: the built ruvex copied into a fresh folder (its Return.txt, settings, log and
// params.txt live beside the executable), emulated devices started as child processes, and runs of
// ruvex with chosen arguments and environment. POSIX only.
#include <sys/types.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// A running ruvex-emu; stopped with SIGTERM and reaped when destroyed.
class TEmulator {
public:
  // Starts ruvex-emu with these arguments and waits for its first line ("PTY path" or
  // "TCP host:port"). Journal and roll files go into folder. Fails the test when it does not start.
  TEmulator(const std::string& folder, const std::string& name, std::vector<std::string> args);
  ~TEmulator();
  TEmulator(const TEmulator&) = delete;
  TEmulator& operator=(const TEmulator&) = delete;

  // The slave path of a pseudo-terminal, or "host:port".
  const std::string& Where() const { return mWhere; }
  int TcpPort() const;
  std::vector<std::string> JournalLines() const;
  std::string Roll() const;

private:
  pid_t mPid = -1;
  std::string mWhere;
  std::string mJournalPath, mRollPath, mErrorPath;
};

// A pseudo-terminal nobody answers on: a serial port without a device.
class TSilentPort {
public:
  TSilentPort();
  ~TSilentPort();
  const std::string& Path() const { return mPath; }

private:
  struct TImpl;
  std::unique_ptr<TImpl> mImpl;
  std::string mPath;
};

struct TRun {
  int ExitCode = -1;
  std::string Stdout;
};

// A temporary folder with a copy of ruvex in it; removed with everything in it when destroyed.
class TRuvexHome {
public:
  TRuvexHome();
  ~TRuvexHome();

  const std::string& Folder() const { return mFolder; }
  std::string PathOf(const std::string& name) const { return mFolder + "/" + name; }
  // Runs ruvex and waits for it (at most timeoutMs; then it is killed and the test fails).
  // RUVEX_SERIAL_PORTS is always set, so no real serial port is ever probed.
  TRun Run(const std::vector<std::string>& args, const std::vector<std::string>& serialPorts,
           int timeoutMs = 60000) const;

  // Return.txt decoded from Windows-1251.
  std::string ReturnText() const;
  std::string Read(const std::string& name) const;  // raw bytes; empty when missing
  bool Exists(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  // The settings file (ruvex.ini) with these lines, CR LF after each.
  void WriteSettings(const std::vector<std::string>& lines) const;

private:
  std::string mFolder;
};

// The computer name as ruvex uses it in per-computer settings keys.
std::string ComputerName();
// The Return.txt text of a result, from its twelve values (CR LF after each line).
std::string ReturnLines(const std::vector<std::pair<std::string, std::string>>& lines);

}  // namespace e2e
