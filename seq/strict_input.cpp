#include "seq/strict_input.h"

#include <algorithm>
#include <array>
#include <utility>

namespace seq {

void raise(InputFault fault) { throw std::move(fault); }

void raiseAt(std::string text, std::uint64_t offset) { throw InputFault{std::move(text), offset}; }

void needBytes(vorn::ByteInput& in, std::span<std::uint8_t> out, const char* what) {
  if (in.read(out) != out.size()) raise(endsInside(what, in.offset()));
}

std::uint64_t copyBytes(vorn::ByteInput& in, vorn::ByteOutput& out, std::uint64_t count) {
  std::array<std::uint8_t, 16384> chunk;
  std::uint64_t done = 0;
  while (done < count) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, chunk.size()));
    std::size_t got = in.read(std::span(chunk.data(), want));
    out.write(std::span(chunk.data(), got));
    done += got;
    if (got < want) break;
  }
  return done;
}

}  // namespace seq
