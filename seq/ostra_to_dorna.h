#pragma once
// Renders an OSTRA sequence (ticks under changing tempos) into a DORNA
// stream (delays in whole output steps), record by record.
#include <cstdint>
#include <optional>

#include "seq/input_fault.h"
#include "vornlib/streams.h"

namespace seq {

// Clock unit of the renderer: 1/1024 second.
inline constexpr double kUnitsPerMinute = 61440.0;

struct RenderOptions {
  double stepLength = 8.0;  // in 1/1024 second
  bool keepSysEx = false;
};

// The length of one OSTRA tick, in 1/1024 second, at `tempo` (BPM x 100, not 0).
double tickLengthAt(std::uint16_t tempo);

// Reads one OSTRA sequence from `in`, up to and including its end record,
// and writes its DORNA stream to the current output. Returns the fault that
// stopped it (an unknown status, a tempo of 0, the end of input before the
// end record); what was written before it stays written.
std::optional<InputFault> renderOstraToDorna(vorn::ByteInput& in, const RenderOptions& options);

}  // namespace seq
