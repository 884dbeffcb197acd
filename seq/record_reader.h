#pragma once
// Reads OSTRA records (DORNA streams share their shapes) from a byte input,
// one at a time, for the renderer and for a player alike.
//
//   seq::RecordReader reader(in);
//   seq::Record r;
//   for (;;) {
//     switch (reader.next(r)) {
//       case seq::RecordKind::Fault: return reader.fault();   // the caller reports it
//       case seq::RecordKind::SysEx: if (!reader.skipBody()) return reader.fault(); break;
//       case seq::RecordKind::End: return std::nullopt;
//       ...
//     }
//   }
//
// A SysEx record's body is left unread by next(): the caller copies it or
// skips it before the next record, so no body is ever held in memory, what
// ever length it claims. A fault names the offset of the byte that is wrong
// (the status byte, the tempo field) or, for an early end, where the input
// ended; an input that held nothing is "no input".
#include <cstdint>
#include <memory>
#include <span>

#include "seq/input_fault.h"
#include "seq/ostra.h"
#include "vornlib/streams.h"

namespace seq {

// What next() read; Fault when it read none.
enum class RecordKind : std::uint8_t { Fault, Channel, SysEx, Tempo, Filler, End };

// OSTRA gives 0xF1 a tempo and no other system status a shape. A DORNA player
// reads every status from 0x80 up other than F0 and F7 as two bytes (a system
// status, F1 included, comes back as a Channel record) and sends it as it is.
enum class RecordShapes : std::uint8_t { ostra, dorna };

struct Record {
  std::uint8_t delta = 0;
  std::uint8_t status = 0;
  // Channel message: its data bytes; filler and end record: their two bytes.
  std::uint8_t first = 0;
  std::uint8_t second = 0;
  std::uint16_t tempo = 0;   // tempo record: BPM x 100, never 0
  std::uint32_t length = 0;  // SysEx record: its body's length; the body is still unread
};

// The renderer reads tens of millions of records a second: next() is inline
// and its slow paths are static functions that never see the reader or the
// record, so that both can live in registers and a caller switching on the
// kind gets a single dispatch.
class RecordReader {
 public:
  explicit RecordReader(vorn::ByteInput& in, RecordShapes shapes = RecordShapes::ostra) : in_(in), shapes_(shapes) {}

  // Reads the next record (for SysEx, up to its length) and says what it
  // is; Fault when a fault stopped reading: fault() says what was found, and where.
  [[gnu::always_inline]] RecordKind next(Record& record) {
    // A channel record whose four bytes are buffered is taken in one go.
    if (const std::uint8_t* p = in_.buffered(4); p && isChannelStatus(p[1])) {
      record.delta = p[0];
      record.status = p[1];
      record.first = p[2];
      record.second = p[3];
      in_.consume(4);
      return RecordKind::Channel;
    }
    int delta = in_.get();
    if (delta < 0) return failed(endsBeforeStatus(in_, true));
    int status = in_.get();
    if (status < 0) return failed(endsBeforeStatus(in_, false));
    record.delta = static_cast<std::uint8_t>(delta);
    record.status = static_cast<std::uint8_t>(status);
    // The channel message is by far the most common record.
    if (isChannelStatus(status)) return twoBytes(record, RecordKind::Channel, "a channel message");
    switch (status) {
      case kStatusSysEx:
      case kStatusEscape: {
        std::uint32_t length;
        if (auto fault = readLength(in_, length)) return failed(std::move(fault));
        record.length = length;
        bodyLength_ = length;
        return RecordKind::SysEx;
      }
      case kStatusTempo: {
        if (shapes_ == RecordShapes::dorna) return twoBytes(record, RecordKind::Channel, "a system message record");
        std::uint16_t tempo;
        if (auto fault = readTempo(in_, tempo)) return failed(std::move(fault));
        record.tempo = tempo;
        return RecordKind::Tempo;
      }
      case kStatusFiller:
        return twoBytes(record, RecordKind::Filler, "a filler record");
      case kStatusEnd:
        return twoBytes(record, RecordKind::End, "the end record");
      default:
        if (shapes_ == RecordShapes::dorna && status >= 0x80) {
          return twoBytes(record, RecordKind::Channel, "a system message record");
        }
        return failed(unknownStatus(in_, record.status));
    }
  }

  // Reads the channel records whose four bytes are buffered one after the
  // other, handing each to `channel(record)`, which must not read this
  // input; returns before any other record, which next() reads. The place
  // in the buffer stays in a register for the whole run.
  template <typename Channel>
  [[gnu::always_inline]] void channelRun(Record& record, Channel&& channel) {
    const std::span<const std::uint8_t> buffered = in_.inBuffer();
    const std::uint8_t* const start = buffered.data();
    const std::uint8_t* const end = start + buffered.size();
    const std::uint8_t* p = start;
    for (; end - p >= 4 && isChannelStatus(p[1]); p += 4) {
      record.delta = p[0];
      record.status = p[1];
      record.first = p[2];
      record.second = p[3];
      channel(record);
    }
    in_.consume(static_cast<std::size_t>(p - start));
  }

  // The body of the SysEx record just read, copied to `out` as it arrives
  // (what came before an early end is out), or skipped. False on a fault.
  bool copyBody(vorn::ByteOutput& out) { return !(fault_ = copyBody(in_, out, bodyLength_)); }
  bool skipBody() { return !(fault_ = skipBody(in_, bodyLength_)); }

  // What stopped reading, once a call failed.
  InputFault fault() const { return fault_ ? *fault_ : InputFault{}; }

 private:
  using Fault = std::unique_ptr<InputFault>;

  RecordKind failed(Fault fault) {
    fault_ = std::move(fault);
    return RecordKind::Fault;
  }

  RecordKind twoBytes(Record& record, RecordKind kind, const char* what) {
    int first = in_.get();
    if (first < 0) return failed(endsInside(in_, what));
    int second = in_.get();
    if (second < 0) return failed(endsInside(in_, what));
    record.first = static_cast<std::uint8_t>(first);
    record.second = static_cast<std::uint8_t>(second);
    return kind;
  }

  [[gnu::cold]] static Fault endsInside(vorn::ByteInput& in, const char* what);
  [[gnu::cold]] static Fault endsBeforeStatus(vorn::ByteInput& in, bool beforeDelta);
  [[gnu::cold]] static Fault unknownStatus(vorn::ByteInput& in, std::uint8_t status);
  static Fault readLength(vorn::ByteInput& in, std::uint32_t& length);
  static Fault readTempo(vorn::ByteInput& in, std::uint16_t& tempo);
  static Fault copyBody(vorn::ByteInput& in, vorn::ByteOutput& out, std::uint32_t length);
  static Fault skipBody(vorn::ByteInput& in, std::uint32_t length);

  vorn::ByteInput& in_;
  RecordShapes shapes_;
  std::uint32_t bodyLength_ = 0;  // of the SysEx record read last
  Fault fault_;
};

}  // namespace seq
