// Apart from the tests: the kernel's termios2 header cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "line_speed_probe.h"

namespace platform_tests {

LineSpeeds ReadLineSpeeds(int fd) {
  termios2 tio{};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return {};
  return {tio.c_ispeed, tio.c_ospeed};
}

}  // namespace platform_tests
