#include "mml/writers.h"

#include <cmath>
#include <cstdint>

#include "seq/record_writer.h"

namespace mml {
namespace {

// Ctrl-C is honoured every so many records of a long output.
constexpr std::size_t kBreakInterval = 1 << 16;

void writeRecord(seq::RecordWriter& writer, std::int64_t at, const EventRecord& event, const EventStore& store) {
  if (event.isSysex()) {
    writer.sysEx(at, event.status, store.sysexData(event));
  } else {
    writer.channel(at, event.status, event.first, event.second);
  }
}

std::int64_t tickOf(const EventRecord& event) { return static_cast<std::uint32_t>(event.time); }

}  // namespace

void writeOstra(std::span<const EventRecord> ordered, const EventStore& store, vorn::ByteOutput& out) {
  seq::RecordWriter writer(out);
  std::size_t n = 0;
  for (const EventRecord& event : ordered) {
    if (++n % kBreakInterval == 0 && !out.breakPoint()) return;
    if (event.status == kStatusBlockEnd) continue;
    if (event.status == kStatusTempo) {
      writer.tempo(tickOf(event), static_cast<std::uint16_t>(event.extra * 100));
    } else {
      writeRecord(writer, tickOf(event), event, store);
    }
  }
  writer.end(ordered.empty() ? 0 : tickOf(ordered.back()));
}

void writeDorna(std::span<const EventRecord> ordered, const EventStore& store, double stepInterval,
                vorn::ByteOutput& out) {
  seq::RecordWriter writer(out);
  double msPerTick = 60000.0 / (120 * 480);
  double elapsed = 0.0;
  std::int64_t previous = 0;
  auto stepsElapsed = [&] { return static_cast<std::int64_t>(std::floor(elapsed / stepInterval)); };
  std::size_t n = 0;
  for (const EventRecord& event : ordered) {
    if (++n % kBreakInterval == 0 && !out.breakPoint()) return;
    std::int64_t time = tickOf(event);
    elapsed += msPerTick * static_cast<double>(time - previous);
    if (event.status == kStatusTempo) {
      if (event.extra != 0) msPerTick = 60000.0 / (static_cast<double>(event.extra) * 480);
    } else if (event.status != kStatusBlockEnd) {
      writeRecord(writer, stepsElapsed(), event, store);
    }
    previous = time;
  }
  writer.end(stepsElapsed());
}

}  // namespace mml
