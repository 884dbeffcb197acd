#pragma once
// The record shapes shared by OSTRA sequences (ticks, 480 per quarter note,
// with tempo records) and DORNA streams (delays in fixed output steps).
//
// A record is a delta byte, a status byte and a payload fixed by the status:
//   0x80-0xEF  two data bytes (the second is 0 for program change and channel pressure)
//   0xF0/0xF7  32-bit little-endian length n, then n bytes
//   0xF1       16-bit little-endian tempo, beats per minute x 100 (OSTRA only)
//   0xF8       filler: 00 00, carries its delta only
//   0xFF       end record: two bytes, the last record of a sequence
#include <cstdint>

#include "vornlib/record_status.h"

namespace seq {

inline constexpr int kTicksPerQuarter = 480;
inline constexpr std::uint16_t kDefaultTempo = 12000;  // 120 BPM
inline constexpr int kMaxDelta = 255;

using vorn::kStatusEnd;
using vorn::kStatusEscape;
using vorn::kStatusFiller;
using vorn::kStatusSysEx;
using vorn::kStatusTempo;

using vorn::isChannelStatus;
inline constexpr bool isSysExStatus(int status) { return status == kStatusSysEx || status == kStatusEscape; }
// Program change and channel pressure carry one data byte in MIDI.
inline constexpr bool hasOneDataByte(int status) { return vorn::channelDataBytes(status) == 1; }

}  // namespace seq
