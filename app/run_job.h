#pragma once
// The run flow: read the options, do one job (device list, status, receipt script) and write its
// result to Return.txt beside the executable and, when asked, to the output file.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "model/fp_result.h"

namespace app {

// What the process gets from its surroundings; the program fills it from the platform, tests from a temp folder.
struct TRunEnvironment {
  std::string ExecutablePath;           // full path of the executable
  std::string ExecutableFolder;         // its folder, with a trailing separator
  std::vector<std::string> Arguments;   // command-line arguments 1..N
  std::string ComputerName;             // lower case; may be empty
  std::ostream* Out = nullptr;          // standard output

  std::string SettingsFileName() const { return ExecutablePath + ".ini"; }
  std::string LogFileName() const { return ExecutablePath + ".log"; }
};

// Runs one job. Errors of the job become an fprUnknownError result; only a failure to write the result
// files leaves this function.
void RunJob(const TRunEnvironment& parEnv);

// fprOk with the JSON list of the devices found on the serial ports.
std::unique_ptr<model::TFpResult> BuildDeviceListResult();

// The short form in the ANSI code page, no byte-order mark, as parFolder + "Return.txt".
void WriteReturnFile(const std::string& parFolder, const model::TFpResult& parResult);

// text as UTF-16 little-endian preceded by FF FE; the file is created or truncated.
void WriteUtf16File(const std::string& parPath, const std::string& parText);

}  // namespace app
