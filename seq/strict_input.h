#pragma once
// Reading inside a converter where the format leaves no choice: the end of
// input, or a byte the format does not allow, is a fault. Faults are thrown
// as InputFault and caught at the converter's boundary, which returns them
// to the tool as values.
#include <cstdint>
#include <span>
#include <string>

#include "seq/input_fault.h"
#include "vornlib/streams.h"

namespace seq {

[[noreturn]] void raise(InputFault fault);
[[noreturn]] void raiseAt(std::string text, std::uint64_t offset);

// The next byte; the end of input raises "input ends inside WHAT".
inline std::uint8_t needByte(vorn::ByteInput& in, const char* what) {
  int b = in.get();
  if (b < 0) raise(endsInside(what, in.offset()));
  return static_cast<std::uint8_t>(b);
}

// Fills `out` completely, or raises as needByte does.
void needBytes(vorn::ByteInput& in, std::span<std::uint8_t> out, const char* what);

// Copies up to `count` bytes to `out` in chunks, as they arrive; returns how
// many there were before the input ended.
std::uint64_t copyBytes(vorn::ByteInput& in, vorn::ByteOutput& out, std::uint64_t count);

}  // namespace seq
