#include "seq/record_writer.h"

#include <array>

#include "vornlib/numbers.h"

namespace seq {

std::int64_t RecordWriter::writeFillers(std::int64_t gap) {
  static constexpr std::array<std::uint8_t, 4> kFiller = {kMaxDelta, kStatusFiller, 0, 0};
  // Fillers go out in batches: a long rest can need millions of them.
  static constexpr std::size_t kBatch = 256;
  static const std::array<std::uint8_t, 4 * kBatch> kFillers = [] {
    std::array<std::uint8_t, 4 * kBatch> all{};
    for (std::size_t i = 0; i < kBatch; ++i)
      for (std::size_t j = 0; j < 4; ++j) all[4 * i + j] = kFiller[j];
    return all;
  }();
  std::int64_t count = (gap - 1) / kMaxDelta;
  std::int64_t rest = gap - count * kMaxDelta;
  while (count > 0) {
    // A rest of hours at fine steps takes a while to write: let Ctrl-C in.
    if (!out_.breakPoint()) break;
    std::int64_t batch = count < static_cast<std::int64_t>(kBatch) ? count : static_cast<std::int64_t>(kBatch);
    out_.write(std::span(kFillers.data(), static_cast<std::size_t>(batch) * 4));
    count -= batch;
  }
  return rest;
}

void RecordWriter::sysExHead(std::int64_t time, std::uint8_t status, std::uint32_t length) {
  delayTo(time);
  std::array<std::uint8_t, 5> head{status};
  vorn::writeLE32(head.data() + 1, length);
  out_.write(head);
}

void RecordWriter::sysEx(std::int64_t time, std::uint8_t status, std::span<const std::uint8_t> body) {
  sysExHead(time, status, static_cast<std::uint32_t>(body.size()));
  out_.write(body);
}

void RecordWriter::tempo(std::int64_t time, std::uint16_t tempo) {
  delayTo(time);
  std::array<std::uint8_t, 3> record{kStatusTempo};
  vorn::writeLE16(record.data() + 1, tempo);
  out_.write(record);
}

void RecordWriter::end(std::int64_t time, std::uint8_t first, std::uint8_t second) {
  delayTo(time);
  const std::array<std::uint8_t, 3> record{kStatusEnd, first, second};
  out_.write(record);
}

}  // namespace seq
