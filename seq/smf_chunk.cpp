#include "seq/smf_chunk.h"

#include <algorithm>

#include "seq/strict_input.h"
#include "vornlib/numbers.h"

namespace seq {

std::uint32_t readChunkHead(vorn::ByteInput& in, const std::array<std::uint8_t, 4>& id, const char* what) {
  std::uint64_t start = in.offset();
  std::array<std::uint8_t, 8> head;
  needBytes(in, head, what);
  if (!std::equal(id.begin(), id.end(), head.begin())) {
    raiseAt("expected " + quotedBytes(id) + ", found " + quotedBytes(std::span(head.data(), 4)), start);
  }
  return vorn::readBE32(head.data() + 4);
}

}  // namespace seq
