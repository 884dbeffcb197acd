#pragma once
// Merges the tracks of a format-1 Standard MIDI File into one time-ordered
// stream of events for OstraFromSmf: at equal times the earlier track goes
// first, each track keeps its own running status, and the end comes at the
// latest end of track.
//
// Merging needs every track at once, and the input may be a pipe, so the
// track chunks are read into memory first (at most kMaxMergedBytes in all;
// a larger file is refused, not merged in part). A track cut short by the
// end of the input is refused before anything is written.
#include <cstddef>
#include <cstdint>

#include "seq/ostra_from_smf.h"
#include "vornlib/streams.h"

namespace seq {

inline constexpr std::size_t kMaxMergedBytes = std::size_t{64} << 20;

// Reads `tracks` track chunks from `in` (positioned after the header chunk)
// and writes their merged events to `out`, ending with its end record.
// Faults are raised as InputFault, with offsets in `in`.
void mergeTracks(vorn::ByteInput& in, std::uint16_t tracks, OstraFromSmf& out);

}  // namespace seq
