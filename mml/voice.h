#pragma once
// The running state of one voice while a block is compiled, and the small
// rules of note numbers and gate times.
#include <cstdint>

namespace mml {

struct VoiceContext {
  std::int32_t channel = 0;        // 0..15, added to every channel status
  std::int32_t time = 0;           // current time in ticks
  std::int32_t octaveBase = 60;    // note number of C in the current octave
  std::int32_t transposition = 0;  // semitones added to every note
  std::int32_t defaultLength = 480;
  std::int32_t gateMode = 0;       // 0: percentage, 1: ticks sounding, 2: ticks cut off
  std::int32_t gateValue = 80;
  std::int32_t velocity = 64;
  std::int32_t controller = 7;     // controller of command Q
  std::int32_t offset = 0;         // added to channel, tempo and SysEx event times (command J)
  std::int32_t tiePending = 0;
  std::int32_t tieStart = 0;
  std::int32_t tieNote = 0;
  std::int32_t tieVelocity = 0;
  std::int32_t tieGateMode = 0;
  std::int32_t tieGateValue = 0;
  std::int32_t tieOffset = 0;
  std::int32_t measureTop = 0;
  std::int32_t measureLength = 1920;
  std::int32_t mark = 0;           // the voice's unnamed mark

  // The settings a block starts from: only channel and start time are given.
  static VoiceContext fresh(std::int32_t channel, std::int32_t start) {
    VoiceContext voice;
    voice.channel = channel;
    voice.time = start;
    voice.measureTop = start;
    voice.mark = start;
    return voice;
  }
};

enum GateMode : std::int32_t { kGatePercent = 0, kGateTicks = 1, kGateCut = 2 };

// How long a note of `length` ticks sounds. Never negative: a note-off
// always follows its note-on.
std::int32_t gateTime(std::int32_t length, std::int32_t mode, std::int32_t value);

// Folds a note number into 0..127 by whole octaves: above 127 into
// 116..127, below 0 into 0..11.
std::int32_t foldNote(std::int64_t note);

// Clamps for values written in the unsigned form: a value above `high`
// (as an unsigned 32-bit number) becomes `high`.
inline std::int32_t clampUnsigned(std::int32_t value, std::int32_t high) {
  return static_cast<std::uint32_t>(value) > static_cast<std::uint32_t>(high) ? high : value;
}

}  // namespace mml
