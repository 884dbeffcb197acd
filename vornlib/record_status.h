#pragma once
// The statuses of OSTRA sequence and DORNA stream records beyond the MIDI
// channel messages (the suite's own formats; seq/ostra.h tells their
// shapes), for every library that reads or writes them: the one home of
// these values.
#include <cstdint>

#include "vornlib/midi_status.h"

namespace vorn {

// SysEx records take MIDI's own statuses: 0xF0 a message (the F0 not
// stored), 0xF7 bytes sent as they are.
inline constexpr std::uint8_t kStatusSysEx = kSysExStart;
inline constexpr std::uint8_t kStatusEscape = kSysExEnd;
inline constexpr std::uint8_t kStatusTempo = 0xF1;   // OSTRA only
inline constexpr std::uint8_t kStatusFiller = 0xF8;  // carries its delta only
inline constexpr std::uint8_t kStatusEnd = 0xFF;     // the last record

}  // namespace vorn
