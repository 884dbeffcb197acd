#include "mml/record_writer.h"

#include "vornlib/numbers.h"

namespace mml {

std::uint8_t RecordWriter::delta(std::uint64_t gap) {
  if (gap <= 255) return static_cast<std::uint8_t>(gap);
  std::uint64_t fillers = (gap - 1) / 255;
  static constexpr std::uint8_t kFiller[4] = {0xFF, 0xF8, 0x00, 0x00};
  for (std::uint64_t i = 0; i < fillers; ++i) out_.write(kFiller);
  return static_cast<std::uint8_t>(gap - 255 * fillers);
}

void RecordWriter::channelMessage(std::uint64_t gap, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  const std::uint8_t record[4] = {delta(gap), status, first, second};
  out_.write(record);
}

void RecordWriter::sysex(std::uint64_t gap, std::uint8_t status, std::span<const std::uint8_t> data) {
  std::uint8_t head[6] = {delta(gap), status};
  vorn::writeLE32(head + 2, static_cast<std::uint32_t>(data.size()));
  out_.write(head);
  out_.write(data);
}

void RecordWriter::tempo(std::uint64_t gap, std::uint16_t value) {
  std::uint8_t record[4] = {delta(gap), 0xF1};
  vorn::writeLE16(record + 2, value);
  out_.write(record);
}

void RecordWriter::end(std::uint64_t gap) {
  const std::uint8_t record[4] = {delta(gap), 0xFF, 0x00, 0x00};
  out_.write(record);
}

}  // namespace mml
