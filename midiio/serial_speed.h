#pragma once
// Line speeds that termios has no constant for (14400, 31250, 56000, ...),
// set and read through termios2. Kept apart: <asm/termbits.h> clashes with
// <termios.h>.
#include <cstdint>

namespace midiio {

// Sets both directions of the open terminal `fd` to `baud` bits per second.
// Returns 0, or the errno of the failure.
int setSerialSpeed(int fd, std::uint32_t baud);
// The output speed the terminal reports, in bits per second; false on failure.
bool readSerialSpeed(int fd, std::uint32_t& baud);

}  // namespace midiio
