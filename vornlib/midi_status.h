#pragma once
// The status bytes of MIDI data and what they say about the bytes that
// follow them, for every reader and writer of MIDI data in the suite: the
// one home of these values.
#include <cstdint>

namespace vorn {

// The bytes that open and close a System Exclusive message. In a Standard
// MIDI File track F7 also starts an escape: bytes sent as they are.
inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;

// A Standard MIDI File track's meta event (FF, its type, a length, the
// body), and the types the suite reads or writes.
inline constexpr std::uint8_t kSmfMeta = 0xFF;
inline constexpr std::uint8_t kMetaText = 0x01;
inline constexpr std::uint8_t kSmfEndOfTrack = 0x2F;
inline constexpr std::uint8_t kSmfSetTempo = 0x51;

inline constexpr bool isChannelStatus(int status) { return status >= 0x80 && status <= 0xEF; }

// Data bytes after a channel status: one for program change and channel
// pressure, two for the rest.
inline constexpr int channelDataBytes(int status) {
  int kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

}  // namespace vorn
