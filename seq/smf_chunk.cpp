#include "seq/smf_chunk.h"

#include <algorithm>

#include "seq/strict_input.h"
#include "vornlib/numbers.h"

namespace seq {

ChunkHead readChunkHead(vorn::ByteInput& in, const char* what) {
  ChunkHead head{{}, 0, in.offset()};
  std::array<std::uint8_t, 8> bytes;
  needBytes(in, bytes, what);
  std::copy_n(bytes.begin(), 4, head.id.begin());
  head.length = vorn::readBE32(bytes.data() + 4);
  return head;
}

std::uint32_t readChunkHead(vorn::ByteInput& in, const std::array<std::uint8_t, 4>& id, const char* what) {
  const ChunkHead head = readChunkHead(in, what);
  if (head.id != id) raiseAt("expected " + quotedBytes(id) + ", found " + quotedBytes(head.id), head.at);
  return head.length;
}

}  // namespace seq
