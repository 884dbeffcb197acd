#include "seq/strict_input.h"

#include <algorithm>
#include <array>

#include "frame/frame.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"

namespace seq {

void failMalformed() { frame::failInput(vorn::kErrMalformedInput); }

void needBytes(std::span<std::uint8_t> out) {
  if (vorn::InNbyteFix(out) != out.size()) failMalformed();
}

std::uint16_t needLE16() {
  std::array<std::uint8_t, 2> b;
  needBytes(b);
  return vorn::readLE16(b.data());
}

std::uint32_t needLE32() {
  std::array<std::uint8_t, 4> b;
  needBytes(b);
  return vorn::readLE32(b.data());
}

void copyInputToOutput(std::uint64_t count) {
  std::array<std::uint8_t, 16384> chunk;
  while (count > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
    std::size_t got = vorn::InNbyteFix(std::span(chunk.data(), want));
    vorn::OutNByte(std::span(chunk.data(), got));
    if (got < want) failMalformed();
    count -= got;
  }
}

void skipInput(std::uint64_t count) {
  if (vorn::getinhandle().skip(count) != count) failMalformed();
}

}  // namespace seq
