#include "seq/ostra_to_smf.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "seq/ostra.h"
#include "seq/record_reader.h"
#include "seq/smf_events.h"
#include "seq/smf_tempo.h"
#include "vornlib/console.h"
#include "vornlib/numbers.h"
#include "vornlib/smf_header.h"
#include "vornlib/varlen.h"

namespace seq {
namespace {

constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint64_t kMaxTrackLength = 0xFFFFFFFF;
// Ctrl-C is honoured every so many records of a long sequence.
constexpr std::uint64_t kBreakInterval = 1 << 16;

// The first pass: counts the bytes the track will hold.
struct MeasuringSink {
  std::uint64_t length = 0;
  void put(std::uint8_t) { ++length; }
  void write(std::span<const std::uint8_t> bytes) { length += bytes.size(); }
  bool body(RecordReader& reader, std::uint32_t length) {
    this->length += length;
    return reader.skipBody();
  }
};

// The second pass: the output itself.
struct WritingSink {
  vorn::ByteOutput& out;
  void put(std::uint8_t b) { out.put(b); }
  void write(std::span<const std::uint8_t> bytes) { out.write(bytes); }
  bool body(RecordReader& reader, std::uint32_t) { return reader.copyBody(out); }
};

std::string bpm(std::uint16_t tempo) {
  std::string text = std::to_string(tempo / 100) + ".";
  text += static_cast<char>('0' + tempo / 10 % 10);
  text += static_cast<char>('0' + tempo % 10);
  return text;
}

// Turns the records of one sequence into track events, through `sink`.
template <typename Sink>
class TrackWriter {
 public:
  explicit TrackWriter(Sink& sink) : sink_(sink) {}

  std::optional<InputFault> run(vorn::ByteInput& in) {
    RecordReader reader(in);
    Record record;
    for (std::uint64_t n = 1;; ++n) {
      if (n % kBreakInterval == 0) vorn::pollBreak();
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
          head(record.status);
          varLength(record.length);
          if (!sink_.body(reader, record.length)) return reader.fault();
          break;
        case RecordKind::Tempo:
          if (auto fault = tempo(record.tempo, at + 2)) return fault;
          break;
        case RecordKind::Filler:
          break;
        case RecordKind::End:
          meta(kSmfEndOfTrack, {});
          return std::nullopt;
        case RecordKind::Fault:
          break;
      }
    }
  }

 private:
  std::optional<InputFault> channel(const Record& record, std::uint64_t at) {
    bool one = hasOneDataByte(record.status);
    if (record.first & 0x80) return notData(record.first, at + 2);
    if (!one && (record.second & 0x80)) return notData(record.second, at + 3);
    delta();
    if (record.status != runningStatus_) sink_.put(record.status);
    runningStatus_ = record.status;
    sink_.put(record.first);
    if (!one) sink_.put(record.second);
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
    meta(kSmfSetTempo, value);
    return std::nullopt;
  }

  void meta(std::uint8_t type, std::span<const std::uint8_t> body) {
    head(kSmfMeta);
    sink_.put(type);
    varLength(static_cast<std::uint32_t>(body.size()));
    // An empty span may carry no address, which a copy must not be given.
    if (!body.empty()) sink_.write(body);
  }

  // A system event's delta-time and status; it ends running status.
  void head(std::uint8_t status) {
    delta();
    sink_.put(status);
    runningStatus_ = 0;
  }

  // The delta-time from the last event written. A gap beyond what four
  // bytes hold (some 77 hours at 120 BPM) is bridged by empty text events,
  // which readers pass over.
  void delta() {
    std::uint64_t gap = time_ - written_;
    written_ = time_;
    while (gap > vorn::kMaxVarLength) {
      varLength(vorn::kMaxVarLength);
      const std::array<std::uint8_t, 3> empty = {kSmfMeta, kMetaText, 0};
      sink_.write(empty);
      runningStatus_ = 0;
      gap -= vorn::kMaxVarLength;
    }
    varLength(static_cast<std::uint32_t>(gap));
  }

  void varLength(std::uint32_t value) {
    scratch_.clear();
    vorn::appendVarLength(scratch_, value);
    sink_.write(scratch_);
  }

  Sink& sink_;
  std::uint64_t time_ = 0;     // of the record read last
  std::uint64_t written_ = 0;  // of the event written last
  std::uint8_t runningStatus_ = 0;
  std::vector<std::uint8_t> scratch_;
};

template <typename Sink>
std::optional<InputFault> pass(std::string_view sequence, Sink& sink) {
  vorn::ByteInput in;
  in.openMemory(sequence);
  return TrackWriter<Sink>(sink).run(in);
}

}  // namespace

SmfFromOstra::SmfFromOstra(std::string_view sequence) : sequence_(sequence) {
  MeasuringSink measure;
  fault_ = pass(sequence, measure);
  if (fault_) return;
  if (measure.length > kMaxTrackLength) {
    fault_ = InputFault{
        "the track would be " + std::to_string(measure.length) + " bytes; a track chunk holds at most 4294967295",
        std::nullopt};
    return;
  }
  trackLength_ = static_cast<std::uint32_t>(measure.length);
}

void SmfFromOstra::write(vorn::ByteOutput& out) const {
  std::array<std::uint8_t, 22> head{};
  std::copy(vorn::kSmfHeaderId.begin(), vorn::kSmfHeaderId.end(), head.begin());
  vorn::writeBE32(head.data() + 4, vorn::kSmfHeaderFieldsLength);
  vorn::writeBE16(head.data() + 8, 0);   // format 0
  vorn::writeBE16(head.data() + 10, 1);  // one track
  vorn::writeBE16(head.data() + 12, kSmfDivision);
  std::copy(vorn::kSmfTrackId.begin(), vorn::kSmfTrackId.end(), head.begin() + 14);
  vorn::writeBE32(head.data() + 18, trackLength_);
  out.write(head);
  WritingSink write{out};
  // The first pass read the same bytes without a fault.
  pass(sequence_, write);
}

std::optional<InputFault> writeSmfFromOstra(std::string_view sequence, vorn::ByteOutput& out) {
  SmfFromOstra file(sequence);
  if (!file.fault()) file.write(out);
  return file.fault();
}

}  // namespace seq
