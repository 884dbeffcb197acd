#pragma once
// Tempo in both directions between OSTRA (beats per minute x 100, 16 bits)
// and a Standard MIDI File's set-tempo event (microseconds per quarter
// note, 24 bits). Both directions round to the nearest, and a tempo
// survives the trip out to a file and back exactly.
#include <cstdint>
#include <optional>

namespace seq {

inline constexpr std::uint64_t kCentiMicrosecondsPerMinute = 6000000000ull;  // 60 s x 1e6 x 100
inline constexpr std::uint32_t kMaxSetTempo = 0xFFFFFF;                        // 24 bits
// The slowest tempo a set-tempo event carries: 6e9 / 0xFFFFFF is 357.6.
inline constexpr std::uint16_t kSlowestSmfTempo = 358;

// Tempo as BPM x 100 from microseconds per quarter note, rounded half up.
// Empty when 0 or when it does not fit 16 bits.
inline std::optional<std::uint16_t> tempoFromMicroseconds(std::uint32_t micros) {
  if (micros == 0) return std::nullopt;
  std::uint64_t tempo = (2 * kCentiMicrosecondsPerMinute + micros) / (2 * std::uint64_t{micros});
  if (tempo > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(tempo);
}

// Microseconds per quarter note for a tempo of `tempo` (BPM x 100), the
// nearest whole number to 6e9 / tempo. Neighbouring tempos lie at least
// 1.39 microseconds apart (at the fastest), so rounding by half a
// microsecond never passes the half-way mark to the next one, and
// tempoFromMicroseconds gives every tempo back (the tests go through all).
// Empty below kSlowestSmfTempo, where the value no longer fits 24 bits.
inline std::optional<std::uint32_t> microsecondsFromTempo(std::uint16_t tempo) {
  if (tempo < kSlowestSmfTempo) return std::nullopt;
  return static_cast<std::uint32_t>((2 * kCentiMicrosecondsPerMinute + tempo) / (2 * std::uint64_t{tempo}));
}

}  // namespace seq
