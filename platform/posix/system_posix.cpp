#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system.h"

namespace platform {
namespace {

std::string ReadLink(const std::string& path) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The 8250 driver registers its full complement of ttyS lines whether or not a UART is fitted;
// only lines with a detected UART are real ports.
bool IsPhantom8250(const std::string& name) {
  if (BaseName(ReadLink("/sys/class/tty/" + name + "/device/driver")) != "serial8250") return false;
  const std::string dev = "/dev/" + name;
  const int fd = ::open(dev.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EIO || errno == ENXIO || errno == ENODEV;
  serial_struct info{};
  const bool unknown = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
  ::close(fd);
  return unknown;
}

void AddUnique(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

template <typename Fn>
void ForEachEntry(const char* dir, Fn fn) {
  DIR* d = ::opendir(dir);
  if (!d) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") fn(name);
  }
  ::closedir(d);
}

}  // namespace

std::string ExecutablePath() {
  std::string path = ReadLink("/proc/self/exe");
  if (path.empty()) {
    throw std::runtime_error(std::string("Cannot determine the executable path: ") + std::strerror(errno));
  }
  return path;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return args;
}

std::string HostName() {
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
  std::string name = buffer;
  // The short name, as a computer name has no domain part.
  const auto dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

std::vector<std::string> SerialPortNames() {
  std::vector<std::string> names;
  ForEachEntry("/sys/class/tty", [&](const std::string& name) {
    struct stat st {};
    const std::string device = "/sys/class/tty/" + name + "/device";
    if (::stat(device.c_str(), &st) != 0) return;  // virtual terminals and ptys have no device
    if (IsPhantom8250(name)) return;
    AddUnique(names, "/dev/" + name);
  });
  ForEachEntry("/dev", [&](const std::string& name) {
    if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) AddUnique(names, "/dev/" + name);
  });
  return names;
}

}  // namespace platform
