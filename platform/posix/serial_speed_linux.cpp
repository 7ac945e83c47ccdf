#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "platform/posix/serial_speed.h"

namespace platform::posix {

// BOTHER passes the speed as a number (14400, 56000, 128000, 256000); a driver that cannot produce
// it exactly picks the nearest rate its clock allows.
bool SetCustomLineSpeed(int fd, int baud) {
  termios2 tio{};
  if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  return ::ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace platform::posix
