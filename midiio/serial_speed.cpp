#include "midiio/serial_speed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

// <sys/ioctl.h> would bring glibc's terminal structures beside the kernel's.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace midiio {

int setSerialSpeed(int fd, std::uint32_t baud) {
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0) return errno;
  line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  line.c_ispeed = baud;
  line.c_ospeed = baud;
  if (ioctl(fd, TCSETS2, &line) != 0) return errno;
  return 0;
}

bool readSerialSpeed(int fd, std::uint32_t& baud) {
  termios2 line{};
  if (ioctl(fd, TCGETS2, &line) != 0) return false;
  baud = line.c_ospeed;
  return true;
}

}  // namespace midiio
