#pragma once
// Reads OSTRA records (DORNA streams share their shapes) from a byte input,
// one at a time, for the renderer and for a player alike.
//
//   seq::RecordReader reader(in);
//   seq::Record r;
//   while (!reader.atEnd()) {
//     if (auto fault = reader.next(r)) return fault;   // the caller reports it
//     if (isSysExStatus(r.status) && (fault = reader.skipBody())) return fault;
//     ...
//   }
//
// A SysEx record's body is left unread by next(): the caller copies it or
// skips it before the next record, so no body is ever held in memory, what
// ever length it claims. Faults name the offset of the byte that is wrong
// (the status byte, the tempo field) or, for an early end, where the input
// ended; "no input" for an input that held nothing.
#include <cstdint>
#include <optional>

#include "seq/input_fault.h"
#include "seq/ostra.h"
#include "vornlib/streams.h"

namespace seq {

struct Record {
  std::uint64_t offset = 0;  // of its delta byte
  std::uint8_t delta = 0;
  std::uint8_t status = 0;
  // Channel message: its data bytes; filler and end record: their two bytes.
  std::uint8_t first = 0;
  std::uint8_t second = 0;
  std::uint16_t tempo = 0;   // tempo record: BPM x 100, never 0
  std::uint32_t length = 0;  // SysEx record: its body's length; the body is still unread
};

class RecordReader {
 public:
  explicit RecordReader(vorn::ByteInput& in) : in_(in) {}

  // True once the end record has been read.
  bool atEnd() const { return ended_; }

  // Reads the next record (for SysEx, up to its length).
  std::optional<InputFault> next(Record& record) {
    record.offset = in_.offset();
    int delta = in_.get();
    if (delta < 0) return endBeforeEndRecord();
    int status = in_.get();
    if (status < 0) return endsAt("input ends after a record's delta byte", in_.offset());
    record.delta = static_cast<std::uint8_t>(delta);
    record.status = static_cast<std::uint8_t>(status);
    // The channel message is by far the most common record.
    if (isChannelStatus(status)) return twoBytes(record, "a channel message");
    switch (status) {
      case kStatusSysEx:
      case kStatusEscape:
        return sysExLength(record);
      case kStatusTempo:
        return tempo(record);
      case kStatusFiller:
        return twoBytes(record, "a filler record");
      case kStatusEnd:
        ended_ = true;
        return twoBytes(record, "the end record");
      default:
        return unknownStatus(record);
    }
  }

  // The body of the SysEx record just read, copied to `out` as it arrives
  // (what came before an early end is out), or skipped.
  std::optional<InputFault> copyBody(const Record& record, vorn::ByteOutput& out);
  std::optional<InputFault> skipBody(const Record& record);

 private:
  std::optional<InputFault> twoBytes(Record& record, const char* what) {
    int first = in_.get();
    int second = first < 0 ? first : in_.get();
    if (second < 0) return endsInside(what, in_.offset());
    record.first = static_cast<std::uint8_t>(first);
    record.second = static_cast<std::uint8_t>(second);
    return std::nullopt;
  }

  std::optional<InputFault> endBeforeEndRecord() const;
  std::optional<InputFault> sysExLength(Record& record);
  std::optional<InputFault> tempo(Record& record);
  std::optional<InputFault> unknownStatus(const Record& record);
  std::optional<InputFault> bodyEnds(const Record& record) const;

  vorn::ByteInput& in_;
  bool ended_ = false;
};

}  // namespace seq
