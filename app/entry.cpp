#include "app/entry.h"

#include <exception>

#include "model/errors.h"
#include "model/text.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/logger.h"
#include "support/runtime.h"
#include "support/settings.h"

namespace app {

namespace {

// Last resort: the settings could not be loaded, or the log could not take an error.
void PrintEscaped(std::ostream& out, const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const model::ERuvexError& e) {
    out << e.KindName() << ": " << e.what() << std::endl;
  } catch (const std::exception& e) {
    out << "Exception: " << e.what() << std::endl;
  } catch (...) {
    out << "Exception: unknown error" << std::endl;
  }
}

std::string MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

// The services could not be created (a settings file that exists but cannot be read), so no job
// ran. Return.txt still says why: a caller must not read the result of an earlier run as this one's.
void WriteStartFailure(const TRunEnvironment& parEnv, const std::string& parMessage) {
  model::TFpResult result;
  result.ResultType = model::fprUnknownError;
  result.ResultText = parMessage;
  try {
    WriteReturnFile(parEnv.ExecutableFolder, result);
  } catch (...) {
  }
}

}  // namespace

int RunEntry(const TRunEnvironment& parEnv) {
  std::ostream discard(nullptr);  // no stream given: the messages go nowhere
  std::ostream& out = parEnv.Out ? *parEnv.Out : discard;
  bool servicesReady = false;
  try {
    support::TPrgSettings settings(parEnv.SettingsFileName(), parEnv.ComputerName);
    support::TLogger logger(parEnv.LogFileName());
    support::TRuntimeScope services(&settings, &logger);
    servicesReady = true;
    std::exception_ptr jobError;
    try {
      RunJob(parEnv);
      settings.SaveSettings();  // only after a normal end: values found during a failed run are not kept
    } catch (...) {
      jobError = std::current_exception();
    }
    if (jobError) {
      const std::string message = MessageOf(jobError);
      logger.Log(message);
      out << message << std::endl;
    }
  } catch (...) {
    PrintEscaped(out, std::current_exception());
    if (!servicesReady) WriteStartFailure(parEnv, MessageOf(std::current_exception()));
  }
  return 0;
}

TRunEnvironment ProcessEnvironment(int argc, char** argv, std::ostream& parOut) {
  TRunEnvironment env;
  env.ExecutablePath = platform::ExecutablePath();
  env.ExecutableFolder = platform::DirectoryOf(env.ExecutablePath);
  env.Arguments = platform::CommandLineArguments(argc, argv);
  env.ComputerName = model::AsciiLower(platform::HostName());
  env.Out = &parOut;
  return env;
}

int RunProcess(int argc, char** argv, std::ostream& parOut) {
  try {
    return RunEntry(ProcessEnvironment(argc, argv, parOut));
  } catch (...) {
    PrintEscaped(parOut, std::current_exception());
  }
  return 0;
}

}  // namespace app
