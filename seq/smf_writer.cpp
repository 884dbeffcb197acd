#include "seq/smf_writer.h"

#include <algorithm>
#include <array>

#include "vornlib/numbers.h"
#include "vornlib/smf_header.h"
#include "vornlib/varlen.h"

namespace seq {

void SmfTrackWriter::sysExHead(std::uint64_t gap, std::uint8_t status, std::uint32_t length) {
  delta(gap);
  out_.put(status);
  runningStatus_ = 0;
  varLength(length);
}

void SmfTrackWriter::meta(std::uint64_t gap, std::uint8_t type, std::span<const std::uint8_t> body) {
  delta(gap);
  const std::array<std::uint8_t, 2> head = {vorn::kSmfMeta, type};
  out_.write(head);
  runningStatus_ = 0;
  varLength(static_cast<std::uint32_t>(body.size()));
  // An empty span may carry no address, which a copy must not be given.
  if (!body.empty()) out_.write(body);
}

void SmfTrackWriter::delta(std::uint64_t gap) {
  while (gap > vorn::kMaxVarLength) {
    varLength(vorn::kMaxVarLength);
    const std::array<std::uint8_t, 3> empty = {vorn::kSmfMeta, vorn::kMetaText, 0};
    out_.write(empty);
    runningStatus_ = 0;
    gap -= vorn::kMaxVarLength;
  }
  varLength(static_cast<std::uint32_t>(gap));
}

void SmfTrackWriter::varLength(std::uint32_t value) {
  // Most values are one byte.
  if (value < 0x80) {
    out_.put(static_cast<std::uint8_t>(value));
    return;
  }
  std::array<std::uint8_t, 5> groups;
  out_.write(std::span(groups).subspan(vorn::encodeVarLength(value, groups)));
}

void writeSmfHead(vorn::ByteOutput& out, std::uint16_t division, std::uint32_t trackLength) {
  std::array<std::uint8_t, 22> head{};
  std::copy(vorn::kSmfHeaderId.begin(), vorn::kSmfHeaderId.end(), head.begin());
  vorn::writeBE32(head.data() + 4, vorn::kSmfHeaderFieldsLength);
  vorn::writeBE16(head.data() + 8, 0);   // format 0
  vorn::writeBE16(head.data() + 10, 1);  // one track
  vorn::writeBE16(head.data() + 12, division);
  std::copy(vorn::kSmfTrackId.begin(), vorn::kSmfTrackId.end(), head.begin() + 14);
  vorn::writeBE32(head.data() + 18, trackLength);
  out.write(head);
}

}  // namespace seq
