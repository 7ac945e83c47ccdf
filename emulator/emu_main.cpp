// ruvex-emu: one emulated fiscal device on a pseudo-terminal or a loopback TCP port.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "emulator/emu_device.h"
#include "emulator/emu_options.h"
#include "emulator/emu_server.h"
#include "emulator/family_registry.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnStopSignal(int) { gStop = 1; }

void InstallSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a pending poll returns at once and the loop sees the flag.
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

struct TFileCloser {
  void operator()(std::FILE* file) const {
    if (file && file != stdout) std::fclose(file);
  }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

TFile OpenOutput(const std::string& path, const char* what) {
  if (path.empty()) return TFile(stdout);
  TFile file(std::fopen(path.c_str(), "w"));
  if (!file) throw std::runtime_error(std::string("cannot write the ") + what + " " + path + ": " + std::strerror(errno));
  return file;
}

void WriteFlushed(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}

int Run(const emulator::TEmuOptions& options) {
  const emulator::TFamilyInfo& family = *emulator::FindFamily(options.Family);
  TFile roll = OpenOutput(options.RollPath, "paper roll");
  TFile journal = options.JournalPath.empty() ? TFile() : OpenOutput(options.JournalPath, "journal");

  emulator::TDeviceSetup setup;
  setup.Identity = family.Defaults;
  if (options.FpNo) setup.Identity.FpNo = *options.FpNo;
  if (options.FpMem) setup.Identity.FpMem = *options.FpMem;
  if (options.Model) setup.Identity.Model = *options.Model;
  setup.ClockOffsetSeconds = options.ClockOffsetSeconds;
  setup.LastReceiptNo = options.LastReceiptNo;
  std::FILE* rollFile = roll.get();
  setup.Printer = [rollFile](const std::string& text) { WriteFlushed(rollFile, text); };

  std::FILE* journalFile = journal.get();
  emulator::TEmuDevice::TJournal journalSink;
  if (journalFile) journalSink = [journalFile](const std::string& line) { WriteFlushed(journalFile, line + "\n"); };
  emulator::TEmuDevice device(family.Create(setup), options.Faults, journalSink);

  InstallSignals();
  if (options.Transport == emulator::TEmuOptions::TTransport::Pty) {
    emulator::TPtyEndpoint pty;
    WriteFlushed(stdout, "PTY " + pty.SlavePath() + "\n");
    emulator::ServePty(pty, device, gStop);
  } else {
    emulator::TTcpListener listener(options.TcpPort);
    WriteFlushed(stdout, "TCP 127.0.0.1:" + std::to_string(listener.Port()) + "\n");
    emulator::ServeTcp(listener, device, gStop);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  emulator::TEmuOptions options;
  try {
    options = emulator::ParseEmuOptions(args);
  } catch (const emulator::EUsageError& error) {
    std::fprintf(stderr, "ruvex-emu: %s\nTry 'ruvex-emu --help' for more information.\n", error.what());
    return 2;
  }
  if (options.Help) {
    std::fputs(emulator::UsageText().c_str(), stdout);
    return 0;
  }
  try {
    return Run(options);
  } catch (const emulator::EFaultRuleError& error) {
    std::fprintf(stderr, "ruvex-emu: %s\n", error.what());
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ruvex-emu: %s\n", error.what());
    return 1;
  }
}
