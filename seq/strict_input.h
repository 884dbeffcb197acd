#pragma once
// Reads from the current input where the format leaves no choice: the end
// of input, or a byte the format does not allow, is malformed input and
// ends the run naming the input (frame::failInput).
#include <cstdint>
#include <span>

#include "vornlib/streams.h"

namespace seq {

[[noreturn]] void failMalformed();

inline std::uint8_t needByte() {
  int b = vorn::InByte();
  if (b < 0) failMalformed();
  return static_cast<std::uint8_t>(b);
}

// Fills `out` completely.
void needBytes(std::span<std::uint8_t> out);
std::uint16_t needLE16();
std::uint32_t needLE32();

// Copies `count` bytes from the input to the output in chunks; when the
// input ends first, what there was is copied before the run ends.
void copyInputToOutput(std::uint64_t count);
// Reads and drops `count` bytes.
void skipInput(std::uint64_t count);

}  // namespace seq
