#pragma once
// The lines of a dump of a live MIDI input: a heading ("# ..."), then one
// line a message as soon as it is whole, in columns: milliseconds since the
// input started, channel (1 to 16, "-" for none), the message in words.
// Each line is flushed at once, so that a reader of a pipe sees it then.
//
//        1250   1  Note On C4 64
//        1300   -  SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 41 F7; DT1 ...
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "seq/dump_lines.h"
#include "vornlib/streams.h"

namespace seq {

class LiveLines {
 public:
  LiveLines(vorn::ByteOutput& out, SysExDescriber& describer) : out_(out), describer_(describer) {}

  void comment(std::string_view text);
  // A short message packed as it is queued: status in the low byte.
  void shortMessage(std::uint32_t ms, std::uint32_t packed);
  // A SysEx message fed as it arrives; `cut` says why it was cut, or is empty.
  void sysExBegin(std::uint32_t ms);
  void sysExBytes(std::span<const std::uint8_t> bytes) { describer_.add(bytes); }
  void sysExEnd(std::string_view cut);
  // A line of its own with no channel: a hole.
  void note(std::uint32_t ms, std::string_view text);

 private:
  void line(std::uint32_t ms, int channel, std::string_view text);

  vorn::ByteOutput& out_;
  SysExDescriber& describer_;
  std::uint32_t sysExMs_ = 0;
};

// A system message in words: "Timing Clock", "Start", "Song Position 96".
std::string liveSystemText(std::uint8_t status, std::uint8_t first, std::uint8_t second);

}  // namespace seq
