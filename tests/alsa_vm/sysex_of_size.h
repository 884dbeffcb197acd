#pragma once
// A SysEx message of a given size whose data bytes run through 0..7E from
// `seed` on, so a lost, doubled or moved piece shows where it happened.
#include <cstddef>
#include <string>

namespace alsavm {

inline std::string sysexOfSize(std::size_t size, int seed) {
  std::string message(size, '\0');
  unsigned value = static_cast<unsigned>(seed);
  for (char& byte : message) byte = static_cast<char>(value++ % 0x7F);
  message.front() = static_cast<char>(0xF0);
  message.back() = static_cast<char>(0xF7);
  return message;
}

}  // namespace alsavm
