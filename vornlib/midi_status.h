#pragma once
// What a MIDI status byte says about the bytes that follow it, for every
// reader and writer of MIDI data in the suite.
#include <cstdint>

namespace vorn {

inline constexpr bool isChannelStatus(int status) { return status >= 0x80 && status <= 0xEF; }

// Data bytes after a channel status: one for program change and channel
// pressure, two for the rest.
inline constexpr int channelDataBytes(int status) {
  int kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

}  // namespace vorn
