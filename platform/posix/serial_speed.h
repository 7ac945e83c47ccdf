#pragma once
// Line speed of an open tty, kept apart because the kernel's termios2 header clashes with <termios.h>.

namespace platform::posix {

// Sets a speed that has no Bnnn constant, in both directions. Returns false with errno set on failure.
bool SetCustomLineSpeed(int fd, int baud);

}  // namespace platform::posix
