#pragma once
// Receipt scripts end to end: one emulated device that the settings file names (no probing), runs
// of ruvex with a script from a file or inline, and readable views of what the device received and
// of the result files.
#include <ostream>
#include <string>
#include <vector>

#include "e2e_harness.h"

namespace e2e {

// One request as the device received it: the command code in hex as the journal writes it, the
// data decoded from Windows-1251, and whatever the journal adds (" dup", " faults=...").
struct TSent {
  std::string Command;
  std::string Data;
  std::string Marks;
  bool operator==(const TSent&) const = default;
};
void PrintTo(const TSent& sent, std::ostream* out);

std::vector<TSent> Received(const TEmulator& device);

class TScriptShop {
public:
  enum class TLine { Pty, Tcp };

  // family: the emulator's --family; fpType: the settings name of the family.
  TScriptShop(const std::string& family, const std::string& fpType, TLine line,
              const std::vector<std::string>& emulatorArgs = {}, const std::vector<std::string>& settings = {});

  // /writeBon with /input:bon.txt holding the script as given.
  TRun RunFile(const std::string& script, const std::vector<std::string>& moreArgs = {});
  // Any arguments, the serial ports as the settings name them.
  TRun Run(const std::vector<std::string>& args);

  TRuvexHome Home;
  TEmulator Device;

private:
  TLine mLine;
};

// The value of the line that starts with label ("FpBonNo: "); empty when there is none.
std::string LineValue(const std::string& text, const std::string& label);
// The text with the value of every "FpDateTime: " line replaced by "*": the device clock is real time.
std::string WithoutClock(const std::string& text);
// The output file decoded from UTF-16LE; a test failure when the byte-order mark FF FE is missing.
std::string OutputText(const TRuvexHome& home, const std::string& name);

}  // namespace e2e
