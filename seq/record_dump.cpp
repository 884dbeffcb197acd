#include "seq/record_dump.h"

#include <algorithm>
#include <array>
#include <string>

#include "seq/event_text.h"
#include "seq/ostra.h"
#include "seq/tempo_map.h"
#include "vornlib/shown_bytes.h"

namespace seq {
namespace {

// A tick at an OSTRA tempo (BPM x 100): 60000 ms / (BPM x 480).
double msPerTick(std::uint16_t tempo) { return 12500.0 / tempo; }

std::string endText(const Record& record) {
  if (record.first == 0 && record.second == 0) return "End";
  return "End (" + vorn::hexByte(record.first) + " " + vorn::hexByte(record.second) + ")";
}

}  // namespace

std::uint64_t feedBytes(vorn::ByteInput& in, std::uint64_t count, SysExDescriber& sysex) {
  std::array<std::uint8_t, 4096> piece;
  std::uint64_t done = 0;
  while (done < count) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, piece.size()));
    std::size_t got = in.read(std::span(piece.data(), want));
    sysex.add(std::span(piece.data(), got));
    done += got;
    if (got < want) break;
  }
  return done;
}

std::optional<InputFault> dumpRecords(vorn::ByteInput& in, DumpLines& lines, SysExDescriber& sysex,
                                      const RecordDumpOptions& options) {
  const bool dorna = options.shapes == RecordShapes::dorna;
  RecordReader reader(in, options.shapes);
  TempoMap tempo(msPerTick(kDefaultTempo), false);
  std::uint64_t time = 0;
  Record record;
  auto ms = [&] { return dorna ? static_cast<double>(time) * options.stepMs : tempo.msAt(time); };

  for (;;) {
    RecordKind kind = reader.next(record);
    if (kind == RecordKind::Fault) return reader.fault();
    time += record.delta;
    switch (kind) {
      case RecordKind::Channel:
        if (isChannelStatus(record.status)) {
          lines.channelEvent(time, ms(), record.status, record.first, record.second);
        } else {
          lines.event(time, ms(), 0, systemMessageText(record.status, record.first, record.second));
        }
        break;
      case RecordKind::SysEx: {
        sysex.start();
        if (record.status == kStatusSysEx) sysex.add(std::span(&kStatusSysEx, 1));
        std::uint64_t got = feedBytes(in, record.length, sysex);
        lines.event(time, ms(), 0, sysex.text());
        if (got < record.length) {
          return endsInside("a SysEx record of " + std::to_string(record.length) + " bytes", in.offset());
        }
        break;
      }
      case RecordKind::Tempo:
        tempo.change(time, msPerTick(record.tempo));
        lines.event(time, ms(), 0, tempoText(record.tempo));
        break;
      case RecordKind::End:
        lines.event(time, ms(), 0, endText(record));
        return std::nullopt;
      case RecordKind::Filler:  // it only carries its delta
      case RecordKind::Fault:
        break;
    }
  }
}

}  // namespace seq
