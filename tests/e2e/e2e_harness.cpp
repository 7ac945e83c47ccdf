#include "e2e_harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "emulator/line_endpoints.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "platform/system.h"

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (std::string& text : texts) out.push_back(text.data());
  out.push_back(nullptr);
  return out;
}

// Waits for the child up to timeoutMs without spinning (a pidfd becomes readable when it ends);
// kills it when it overstays. Returns the exit code, or -1.
int WaitFor(pid_t pid, int timeoutMs) {
  int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd done{pidfd, POLLIN, 0};
    int ready = ::poll(&done, 1, timeoutMs);
    ::close(pidfd);
    if (ready == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      ADD_FAILURE() << "ruvex did not finish within " << timeoutMs << " ms";
      return -1;
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEmulator::TEmulator(const std::string& folder, const std::string& name, std::vector<std::string> args) {
  mJournalPath = folder + "/" + name + ".journal";
  mRollPath = folder + "/" + name + ".roll";
  mErrorPath = folder + "/" + name + ".stderr";
  std::vector<std::string> command;
  command.reserve(args.size() + 5);
  command.emplace_back(RUVEX_EMU_EXE);
  for (std::string& arg : args) command.push_back(std::move(arg));
  for (const std::string& option : {std::string("--journal"), mJournalPath, std::string("--roll"), mRollPath})
    command.push_back(option);
  args = std::move(command);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, mErrorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv = Pointers(args);
  int failed = ::posix_spawn(&mPid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (failed != 0) {
    ::close(out[0]);
    mPid = -1;
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(failed);
    return;
  }

  // The first line says where the device serves; nothing else is read from the pipe, and the
  // emulator ignores a closed pipe, so its roll goes to the file.
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd in{out[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&in, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  line = line.substr(0, line.find('\n'));
  if (line.rfind("PTY ", 0) == 0 || line.rfind("TCP ", 0) == 0) {
    mWhere = line.substr(4);
  } else {
    ADD_FAILURE() << "ruvex-emu did not start: \"" << line << "\" " << ReadWhole(mErrorPath);
  }
}

TEmulator::~TEmulator() {
  if (mPid <= 0) return;
  ::kill(mPid, SIGTERM);
  int code = WaitFor(mPid, 10000);
  EXPECT_EQ(code, 0) << "ruvex-emu did not stop cleanly: " << ReadWhole(mErrorPath);
}

int TEmulator::TcpPort() const {
  std::size_t colon = mWhere.rfind(':');
  return colon == std::string::npos ? 0 : std::atoi(mWhere.c_str() + colon + 1);
}

std::vector<std::string> TEmulator::JournalLines() const {
  std::vector<std::string> lines = model::SplitAll(ReadWhole(mJournalPath), "\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string TEmulator::Roll() const { return ReadWhole(mRollPath); }

struct TSilentPort::TImpl {
  emulator::TPtyEndpoint Pty;
};

TSilentPort::TSilentPort() : mImpl(std::make_unique<TImpl>()), mPath(mImpl->Pty.SlavePath()) {}
TSilentPort::~TSilentPort() = default;

TRuvexHome::TRuvexHome() {
  std::string pattern = (fs::temp_directory_path() / "ruvex-e2e-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  mFolder = pattern;
  // A copy, not a link: the program finds its folder through its own resolved path.
  fs::copy_file(RUVEX_EXE, PathOf("ruvex"));
}

TRuvexHome::~TRuvexHome() {
  std::error_code ignored;
  fs::remove_all(mFolder, ignored);
}

TRun TRuvexHome::Run(const std::vector<std::string>& args, const std::vector<std::string>& serialPorts,
                     int timeoutMs) const {
  std::vector<std::string> argv{PathOf("ruvex")};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "RUVEX_SERIAL_PORTS=", 19) != 0) env.emplace_back(*e);
  std::string ports;
  for (const std::string& port : serialPorts) ports += (ports.empty() ? "" : ",") + port;
  env.push_back("RUVEX_SERIAL_PORTS=" + ports);

  const std::string stdoutPath = PathOf("stdout.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argp = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  pid_t pid = -1;
  int failed = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  TRun run;
  if (failed != 0) {
    ADD_FAILURE() << "cannot start ruvex: " << std::strerror(failed);
    return run;
  }
  run.ExitCode = WaitFor(pid, timeoutMs);
  run.Stdout = ReadWhole(stdoutPath);
  return run;
}

std::string TRuvexHome::ReturnText() const { return platform::AnsiToUtf8(Read("Return.txt")); }

std::string TRuvexHome::Read(const std::string& name) const { return ReadWhole(PathOf(name)); }

bool TRuvexHome::Exists(const std::string& name) const { return fs::exists(PathOf(name)); }

void TRuvexHome::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(PathOf(name), std::ios::binary) << bytes;
}

void TRuvexHome::WriteSettings(const std::vector<std::string>& lines) const {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  Write("ruvex.ini", text);
}

std::string ComputerName() { return model::AsciiLower(platform::HostName()); }

std::string ReturnLines(const std::vector<std::pair<std::string, std::string>>& lines) {
  std::string text;
  for (const auto& [label, value] : lines) text += label + value + "\r\n";
  return text;
}

}  // namespace e2e
