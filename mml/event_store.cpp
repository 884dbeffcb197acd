#include "mml/event_store.h"

#include "vornlib/numbers.h"

namespace mml {

std::uint32_t EventStore::beginSysexData() {
  auto offset = static_cast<std::uint32_t>(eventHeap.size());
  const std::uint8_t zeroCount[4] = {0, 0, 0, 0};
  eventHeap.putBytes(zeroCount);
  return offset;
}

void EventStore::finishSysex(std::int32_t time, std::uint8_t status, std::uint32_t dataOffset) {
  auto count = static_cast<std::uint32_t>(eventHeap.size() - dataOffset - 4);
  vorn::writeLE32(eventHeap.at(dataOffset), count);
  addRecord(EventRecord{time, status, 0, 0, 0, dataOffset});
}

std::span<const std::uint8_t> EventStore::sysexData(const EventRecord& record) const {
  const std::uint8_t* head = eventHeap.at(record.extra);
  return {head + 4, vorn::readLE32(head)};
}

void orderEvents(std::vector<EventRecord>& events) {
  // Least-significant-digit radix sort on the time's four bytes: stable,
  // and a byte that is the same in every event costs no pass.
  std::size_t counts[4][256] = {};
  for (EventRecord& event : events) {
    if (event.time < 0) event.time = 0;
    auto key = static_cast<std::uint32_t>(event.time);
    for (int digit = 0; digit < 4; ++digit) ++counts[digit][(key >> (8 * digit)) & 0xFF];
  }
  std::vector<EventRecord> spare;
  for (int digit = 0; digit < 4; ++digit) {
    std::size_t* count = counts[digit];
    bool oneBucket = false;
    for (int b = 0; b < 256; ++b) {
      if (count[b] == events.size()) oneBucket = true;
    }
    if (oneBucket) continue;
    std::size_t start[256];
    std::size_t sum = 0;
    for (int b = 0; b < 256; ++b) {
      start[b] = sum;
      sum += count[b];
    }
    if (spare.size() != events.size()) spare.resize(events.size());
    for (const EventRecord& event : events) {
      auto key = static_cast<std::uint32_t>(event.time);
      spare[start[(key >> (8 * digit)) & 0xFF]++] = event;
    }
    events.swap(spare);
  }
}

}  // namespace mml
