#include "mml/writers.h"

#include <cmath>
#include <cstdint>

#include "mml/record_writer.h"
#include "vornlib/console.h"

namespace mml {
namespace {

// Ctrl-C is honoured every so many records of a long output.
constexpr std::size_t kBreakInterval = 1 << 16;

void writeRecord(RecordWriter& writer, std::uint64_t gap, const EventRecord& event, const EventStore& store) {
  if (event.isSysex()) {
    writer.sysex(gap, event.status, store.sysexData(event));
  } else {
    writer.channelMessage(gap, event.status, event.first, event.second);
  }
}

std::uint16_t ostraTempo(std::uint32_t beatsPerMinute) { return static_cast<std::uint16_t>(beatsPerMinute * 100); }

}  // namespace

void writeOstra(std::span<const EventRecord> ordered, const EventStore& store, vorn::ByteOutput& out) {
  RecordWriter writer(out);
  std::uint32_t last = 0;
  std::size_t n = 0;
  for (const EventRecord& event : ordered) {
    if (++n % kBreakInterval == 0) vorn::pollBreak();
    if (event.status == kStatusBlockEnd) continue;
    auto time = static_cast<std::uint32_t>(event.time);
    std::uint64_t gap = time - last;
    if (event.status == kStatusTempo) {
      writer.tempo(gap, ostraTempo(event.extra));
    } else {
      writeRecord(writer, gap, event, store);
    }
    last = time;
  }
  std::uint32_t end = ordered.empty() ? 0 : static_cast<std::uint32_t>(ordered.back().time);
  writer.end(end - last);
}

void writeDorna(std::span<const EventRecord> ordered, const EventStore& store, double stepInterval,
                vorn::ByteOutput& out) {
  RecordWriter writer(out);
  double msPerTick = 60000.0 / (120 * 480);
  double elapsed = 0.0;
  std::uint64_t steps = 0;
  std::uint32_t previous = 0;
  auto stepsSoFar = [&] { return static_cast<std::uint64_t>(std::floor(elapsed / stepInterval)); };
  std::size_t n = 0;
  for (const EventRecord& event : ordered) {
    if (++n % kBreakInterval == 0) vorn::pollBreak();
    auto time = static_cast<std::uint32_t>(event.time);
    elapsed += msPerTick * (time - previous);
    if (event.status == kStatusTempo) {
      if (event.extra != 0) msPerTick = 60000.0 / (static_cast<double>(event.extra) * 480);
    } else if (event.status != kStatusBlockEnd) {
      std::uint64_t total = stepsSoFar();
      writeRecord(writer, total > steps ? total - steps : 0, event, store);
      steps = total;
    }
    previous = time;
  }
  std::uint64_t total = stepsSoFar();
  writer.end(total > steps ? total - steps : 0);
}

}  // namespace mml
