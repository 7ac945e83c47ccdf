#pragma once
// The process entry: creates the settings store and the log, runs the job, saves the settings after
// a normal run and catches whatever escapes. The exit code is always 0.
#include <ostream>

#include "app/run_job.h"

namespace app {

// Runs one job in the given environment; returns the exit code (0).
int RunEntry(const TRunEnvironment& parEnv);

// The environment of this process: executable path and folder, arguments, lower-case host name, parOut.
TRunEnvironment ProcessEnvironment(int argc, char** argv, std::ostream& parOut);

// main(): builds the environment from the platform and runs the entry; nothing escapes.
int RunProcess(int argc, char** argv, std::ostream& parOut);

}  // namespace app
