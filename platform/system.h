#pragma once
// Process and machine facts: executable path, arguments, host name, serial port names.
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (UTF-8).
std::string ExecutablePath();
// Arguments 1..N as UTF-8, split the way the platform's runtime splits them.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
// The computer's name, or empty when the platform does not give it.
std::string HostName();
// Names of the system's serial ports (unsorted; callers sort).
std::vector<std::string> SerialPortNames();

}  // namespace platform
