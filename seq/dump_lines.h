#pragma once
// The lines of a dump: a comment line ("# ...") for a file or track heading,
// then one line an event, in columns: time (ticks or steps), milliseconds,
// channel (1 to 16, "-" for none), the event in words.
//
//          480      500.000   1  Note On C4 64
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vornlib/streams.h"

namespace seq {

class DumpLines {
 public:
  explicit DumpLines(vorn::ByteOutput& out) : out_(out) {}

  void comment(std::string_view text);
  // `channel` 0 is no channel.
  void event(std::uint64_t time, double ms, int channel, std::string_view text);
  // The line of a channel message (channelMessageText), its channel from
  // the status: the same as event() would write, formatted in place.
  void channelEvent(std::uint64_t time, double ms, std::uint8_t status, std::uint8_t first, std::uint8_t second);

 private:
  // Writes the columns at `at`; where they end.
  char* columns(char* at, std::uint64_t time, double ms, int channel);
  // The time and milliseconds columns; those of the line before again when
  // they are the same (events often share a time).
  char* timeColumns(char* at, std::uint64_t time, double ms);

  vorn::ByteOutput& out_;
  std::uint64_t lastTime_ = 0;
  std::uint64_t lastMsBits_ = 0;
  std::size_t lastLength_ = 0;  // 0: nothing kept
  char lastColumns_[32];
};

// A SysEx message (or an escape's bytes) in words, fed as it is read, so
// that no message is ever held whole. The tool gives the describer; the
// sequence dumps only hand it bytes.
class SysExDescriber {
 public:
  virtual ~SysExDescriber() = default;
  // A new message; `bytes` as read, for a message with its leading F0.
  virtual void start() = 0;
  virtual void add(std::span<const std::uint8_t> bytes) = 0;
  virtual std::string text() const = 0;
};

}  // namespace seq
