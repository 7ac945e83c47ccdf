#pragma once
// Reads a tty's actual input and output speeds in bits per second, custom speeds included.

namespace platform_tests {

struct LineSpeeds {
  unsigned Input = 0;
  unsigned Output = 0;
};

LineSpeeds ReadLineSpeeds(int fd);

}  // namespace platform_tests
