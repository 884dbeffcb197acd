#pragma once
// The head of a Standard MIDI File chunk: a four-byte identifier and a
// big-endian length.
#include <array>
#include <cstdint>

#include "vornlib/streams.h"

namespace seq {

struct ChunkHead {
  std::array<std::uint8_t, 4> id;
  std::uint32_t length;
  std::uint64_t at;  // offset of the head
};

// Reads a chunk's head, whatever its identifier; raises an InputFault naming
// `what` when the input ends inside it.
ChunkHead readChunkHead(vorn::ByteInput& in, const char* what);

// Reads a chunk's head that must carry `id` and returns its length; raises
// an InputFault naming `what` when the input ends or the identifier differs.
std::uint32_t readChunkHead(vorn::ByteInput& in, const std::array<std::uint8_t, 4>& id, const char* what);

}  // namespace seq
