#pragma once
// Renders an OSTRA sequence (ticks under changing tempos) into a DORNA
// stream (delays in whole output steps), record by record.
#include <cstdint>

namespace seq {

// Clock unit of the renderer: 1/1024 second.
inline constexpr double kUnitsPerMinute = 61440.0;

struct RenderOptions {
  double stepLength = 8.0;  // in 1/1024 second
  bool keepSysEx = false;
};

// The length of one OSTRA tick, in 1/1024 second, at `tempo` (BPM x 100, not 0).
double tickLengthAt(std::uint16_t tempo);

// Reads one OSTRA sequence from the current input, up to and including its
// end record, and writes its DORNA stream to the current output. Malformed
// input (an invalid status, a tempo of 0, the end of input before the end
// record) ends the run through frame::failInput.
void renderOstraToDorna(const RenderOptions& options);

}  // namespace seq
