#pragma once
// Writes OSTRA and DORNA records to an output: the current output unless
// another is given.
//
// Callers give each record its absolute time in the stream's unit (ticks
// for OSTRA, steps for DORNA); the writer turns it into the delta from the
// time already written, so rounding done by the caller never accumulates.
// A gap above 255 is carried by filler records of 255 each, and the record
// itself gets the rest (1 to 255):
//
//   seq::RecordWriter out;
//   out.channel(0, 0x90, 60, 100);     // 00 90 3C 64
//   out.channel(480, 0x80, 60, 0);     // FF F8 00 00, E1 80 3C 00
//   out.end(480);                      // 00 FF 00 00
#include <cstddef>
#include <cstdint>
#include <span>

#include "seq/ostra.h"
#include "vornlib/streams.h"

namespace seq {

class RecordWriter {
 public:
  explicit RecordWriter(vorn::ByteOutput& out = vorn::getouthandle()) : out_(out) {}

  // Writes the fillers and the delta byte that bring the written time to
  // `time`. A time behind the written time gives a delta of 0: records are
  // never moved earlier than what is already out.
  void delayTo(std::int64_t time) {
    std::int64_t gap = time - written_;
    if (gap <= 0) {
      out_.put(0);
      return;
    }
    written_ = time;
    if (gap > kMaxDelta) gap = writeFillers(gap);
    out_.put(static_cast<std::uint8_t>(gap));
  }

  // The time the deltas written so far add up to.
  std::int64_t timeWritten() const { return written_; }

  // A channel message; `second` is 0 for the one-data-byte messages.
  void channel(std::int64_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
    std::int64_t gap = time - written_;
    if (gap > kMaxDelta) {
      delayTo(time);
      const std::uint8_t rest[] = {status, first, second};
      out_.write(rest);
      return;
    }
    // The common record, written in place in one go.
    written_ = gap > 0 ? time : written_;
    char* at = out_.reserve(4);
    at[0] = static_cast<char>(gap > 0 ? gap : 0);
    at[1] = static_cast<char>(status);
    at[2] = static_cast<char>(first);
    at[3] = static_cast<char>(second);
    out_.commit(at + 4);
  }

  // Channel records written as channel() writes them, for a run of them
  // where nothing else is written: the time written and the place in the
  // output's buffer are the run's own, in registers rather than in memory
  // that each byte stored might change; the run's end hands them back.
  class ChannelRun {
   public:
    explicit ChannelRun(RecordWriter& writer) : writer_(writer), written_(writer.written_) { reserve(); }
    ~ChannelRun() {
      if (at_ != nullptr) handBack();
    }
    ChannelRun(const ChannelRun&) = delete;
    ChannelRun& operator=(const ChannelRun&) = delete;

    void channel(std::int64_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
      char* const at = at_;
      const std::int64_t gap = time - written_;
      if (gap > kMaxDelta || at == end_) [[unlikely]] {
        // Fillers, or a full stretch of the buffer: the writer's own way,
        // out of line, so that the run's state stays in registers. Handed
        // back first, it is not handed back again if the run ends in there.
        handBack();
        at_ = nullptr;
        const Place place = channelSlowly(writer_, time, status, first, second);
        at_ = place.at;
        end_ = place.end;
        written_ = place.written;
        return;
      }
      // The state is updated before the bytes are stored, which might as far
      // as the compiler knows change it: the four go out as one store.
      written_ = gap > 0 ? time : written_;
      at_ = at + 4;
      at[0] = static_cast<char>(gap > 0 ? gap : 0);
      at[1] = static_cast<char>(status);
      at[2] = static_cast<char>(first);
      at[3] = static_cast<char>(second);
    }

   private:
    // Room for this many records' bytes at a time.
    static constexpr std::size_t kRoom = 16384;

    struct Place {
      char* at;
      char* end;
      std::int64_t written;
    };
    [[gnu::noinline]] static Place channelSlowly(RecordWriter& writer, std::int64_t time, std::uint8_t status,
                                                 std::uint8_t first, std::uint8_t second) {
      writer.channel(time, status, first, second);
      char* at = writer.out_.reserve(kRoom);
      return {at, at + kRoom, writer.written_};
    }

    void reserve() {
      at_ = writer_.out_.reserve(kRoom);
      end_ = at_ + kRoom;
    }
    void handBack() {
      writer_.out_.commit(at_);
      writer_.written_ = written_;
    }

    RecordWriter& writer_;
    std::int64_t written_;
    char* at_ = nullptr;
    char* end_ = nullptr;
  };

  // The head of a SysEx record (status 0xF0 or 0xF7); the caller writes the
  // `length` body bytes right after it.
  void sysExHead(std::int64_t time, std::uint8_t status, std::uint32_t length);
  // A whole SysEx record whose body is in memory.
  void sysEx(std::int64_t time, std::uint8_t status, std::span<const std::uint8_t> body);
  // A tempo record (OSTRA only): beats per minute x 100.
  void tempo(std::int64_t time, std::uint16_t tempo);
  // The end record; its two bytes are 00 00 unless copied from a source record.
  void end(std::int64_t time, std::uint8_t first = 0, std::uint8_t second = 0);

 private:
  // Writes the fillers for a gap above 255; returns the delta left (1 to 255).
  std::int64_t writeFillers(std::int64_t gap);

  vorn::ByteOutput& out_;
  std::int64_t written_ = 0;
};

}  // namespace seq
