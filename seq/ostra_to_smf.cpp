#include "seq/ostra_to_smf.h"

#include <array>
#include <cstdint>
#include <string>

#include "seq/ostra.h"
#include "seq/record_reader.h"
#include "seq/smf_events.h"
#include "seq/smf_tempo.h"
#include "seq/smf_writer.h"
#include "vornlib/varlen.h"

namespace seq {
namespace {

// Ctrl-C is honoured every so many records of a long sequence.
constexpr std::uint64_t kBreakInterval = 1 << 16;

std::string bpm(std::uint16_t tempo) {
  std::string text = std::to_string(tempo / 100) + ".";
  text += static_cast<char>('0' + tempo / 10 % 10);
  text += static_cast<char>('0' + tempo % 10);
  return text;
}

// Turns the records of one sequence into the events of a track.
class TrackFromRecords {
 public:
  explicit TrackFromRecords(vorn::ByteOutput& out) : track_(out) {}

  std::optional<InputFault> run(vorn::ByteInput& in) {
    RecordReader reader(in);
    Record record;
    for (std::uint64_t n = 1;; ++n) {
      if (n % kBreakInterval == 0 && !track_.output().breakPoint()) return vorn::interruptedFault();
      std::uint64_t at = in.offset();
      RecordKind kind = reader.next(record);
      if (kind == RecordKind::Fault) return reader.fault();
      time_ += record.delta;
      switch (kind) {
        case RecordKind::Channel:
          if (auto fault = channel(record, at)) return fault;
          break;
        case RecordKind::SysEx:
          if (record.length > vorn::kMaxVarLength) {
            return InputFault{"SysEx record of " + std::to_string(record.length) +
                                  " bytes; a Standard MIDI File event holds at most 268435455",
                              at + 2};
          }
          track_.sysExHead(gap(), record.status, record.length);
          if (!reader.copyBody(track_.output())) return reader.fault();
          break;
        case RecordKind::Tempo:
          if (auto fault = tempo(record.tempo, at + 2)) return fault;
          break;
        case RecordKind::Filler:
          break;
        case RecordKind::End:
          track_.meta(gap(), kSmfEndOfTrack, {});
          return std::nullopt;
        case RecordKind::Fault:
          break;
      }
    }
  }

  std::uint64_t length() const { return track_.length(); }

 private:
  std::optional<InputFault> channel(const Record& record, std::uint64_t at) {
    bool one = hasOneDataByte(record.status);
    if (record.first & 0x80) return notData(record.first, at + 2);
    if (!one && (record.second & 0x80)) return notData(record.second, at + 3);
    track_.channel(gap(), record.status, record.first, record.second);
    return std::nullopt;
  }

  static InputFault notData(std::uint8_t b, std::uint64_t at) {
    return {"data byte " + hexByte(b) + " in a channel record; MIDI data bytes are 00 to 7F", at};
  }

  std::optional<InputFault> tempo(std::uint16_t tempo, std::uint64_t at) {
    std::optional<std::uint32_t> micros = microsecondsFromTempo(tempo);
    if (!micros) {
      return InputFault{"tempo " + bpm(tempo) + " BPM at tick " + std::to_string(time_) +
                            " is slower than a set-tempo event holds (3.58 BPM)",
                        at};
    }
    std::array<std::uint8_t, 3> value = {static_cast<std::uint8_t>(*micros >> 16),
                                         static_cast<std::uint8_t>(*micros >> 8),
                                         static_cast<std::uint8_t>(*micros)};
    track_.meta(gap(), kSmfSetTempo, value);
    return std::nullopt;
  }

  // The ticks from the event written last to the record read last.
  std::uint64_t gap() {
    std::uint64_t gap = time_ - written_;
    written_ = time_;
    return gap;
  }

  SmfTrackWriter track_;
  std::uint64_t time_ = 0;     // of the record read last
  std::uint64_t written_ = 0;  // of the event written last
};

std::optional<InputFault> pass(std::string_view sequence, vorn::ByteOutput& out, std::uint64_t& length) {
  vorn::ByteInput in;
  in.openMemory(sequence);
  TrackFromRecords track(out);
  std::optional<InputFault> fault = track.run(in);
  length = track.length();
  return fault;
}

}  // namespace

SmfFromOstra::SmfFromOstra(std::string_view sequence) : sequence_(sequence) {
  vorn::ByteOutput counted;
  counted.openCounting();
  std::uint64_t length = 0;
  fault_ = pass(sequence, counted, length);
  if (fault_) return;
  if (length > kMaxTrackLength) {
    fault_ = InputFault{
        "the track would be " + std::to_string(length) + " bytes; a track chunk holds at most 4294967295",
        std::nullopt};
    return;
  }
  trackLength_ = static_cast<std::uint32_t>(length);
}

void SmfFromOstra::write(vorn::ByteOutput& out) const {
  writeSmfHead(out, kSmfDivision, trackLength_);
  std::uint64_t length = 0;
  // The first pass read the same bytes without a fault.
  pass(sequence_, out, length);
}

std::optional<InputFault> writeSmfFromOstra(std::string_view sequence, vorn::ByteOutput& out) {
  SmfFromOstra file(sequence);
  if (!file.fault()) file.write(out);
  return file.fault();
}

}  // namespace seq
