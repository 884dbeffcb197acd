#pragma once
// Writes OSTRA and DORNA records (the two formats share their record
// shapes): a delta byte, the status and its payload. A gap above 255 is
// carried by filler records of 255 each, and the record that follows gets
// the rest (1..255).
#include <cstdint>
#include <span>

#include "vornlib/streams.h"

namespace mml {

class RecordWriter {
 public:
  explicit RecordWriter(vorn::ByteOutput& out) : out_(out) {}

  void channelMessage(std::uint64_t gap, std::uint8_t status, std::uint8_t first, std::uint8_t second);
  // status 0xF0 or 0xF7, then the 32-bit count and the bytes.
  void sysex(std::uint64_t gap, std::uint8_t status, std::span<const std::uint8_t> data);
  void tempo(std::uint64_t gap, std::uint16_t value);
  void end(std::uint64_t gap);

 private:
  // Writes the fillers the gap needs and returns the record's own delta.
  std::uint8_t delta(std::uint64_t gap);

  vorn::ByteOutput& out_;
};

}  // namespace mml
