#pragma once
// Writes an OSTRA sequence as a Standard MIDI File: format 0, one track,
// 480 ticks per quarter note (OSTRA's own, so times stay whole). Channel
// records become channel messages (with running status), tempo records
// set-tempo events, 0xF0 and 0xF7 records F0 and F7 events, and the end
// record the end-of-track event at its time; fillers only carry time.
//
// The writer (smf_writer.h) runs twice, so the sequence is taken from
// memory and read twice: the first pass measures the track (and finds every
// fault before a byte is written), the second writes it. Nothing is held
// beyond the sequence itself, which the caller has in memory anyway (zembra
// builds its events in memory before writing).
#include <cstdint>
#include <optional>
#include <string_view>

#include "seq/input_fault.h"
#include "vornlib/streams.h"

namespace seq {

inline constexpr std::uint16_t kSmfDivision = 480;

// The file for the sequence at the start of `sequence` (up to its first end
// record), which must outlive this object. Constructing it runs the
// measuring pass; write() runs the second.
class SmfFromOstra {
 public:
  explicit SmfFromOstra(std::string_view sequence);
  // What stops the conversion, naming the offset in `sequence`.
  const std::optional<InputFault>& fault() const { return fault_; }
  // Writes the whole file; only when there is no fault.
  void write(vorn::ByteOutput& out) const;

 private:
  std::string_view sequence_;
  std::uint32_t trackLength_ = 0;
  std::optional<InputFault> fault_;
};

// Both passes: returns the fault, and then nothing was written.
std::optional<InputFault> writeSmfFromOstra(std::string_view sequence, vorn::ByteOutput& out);

}  // namespace seq
