#pragma once
// Faults of the MIDI device layer, returned as values: a code (0x60000000 + n)
// and a detail text (which port, what the system said, what to do). The tool
// decides whether a fault ends the run.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace midiio {

// n of the code 0x60000000 + n. Small numbers follow the platform's own
// numbering; the layer's own faults sit above 0x100.
enum MidiErrorNumber : std::uint32_t {
  kMidiGeneral = 1,
  kMidiNoSuchPort = 2,       // the port vanished, or was never there
  kMidiBusy = 4,             // busy, or the connection was refused
  kMidiNoMemory = 7,
  kMidiInvalidMessage = 11,
  kMidiNotReady = 67,        // no progress within the time limit
  kMidiNoDevice = 68,        // nothing named and no device at all
  kMidiPeriodRefused = 97,
  kMidiNoSystem = 0x101,     // neither ALSA sequencer nor JACK server
  kMidiJackShutdown = 0x102,
  kMidiAlsaError = 0x103,
  kMidiInterrupted = 0x104,  // the user broke while the layer waited
  kMidiNoJackServer = 0x105, // JACK asked for, and no server answers
};

inline constexpr std::uint32_t kMidiErrorBase = 0x60000000;

inline constexpr std::uint32_t midiErrorCode(MidiErrorNumber n) { return kMidiErrorBase + n; }

// The outcome of one layer call: ok, or a code with its detail.
class [[nodiscard]] MidiStatus {
 public:
  MidiStatus() = default;
  MidiStatus(MidiErrorNumber n, std::string detail) : code_(midiErrorCode(n)), detail_(std::move(detail)) {}

  bool ok() const { return code_ == 0; }
  explicit operator bool() const { return ok(); }
  std::uint32_t code() const { return code_; }
  const std::string& detail() const { return detail_; }
  bool is(MidiErrorNumber n) const { return code_ == midiErrorCode(n); }
  void addDetail(std::string_view more) { detail_ += more; }

 private:
  std::uint32_t code_ = 0;
  std::string detail_;
};

// The short English text of a layer error number ("port no longer exists").
std::string midiErrorText(std::uint32_t midiError);

}  // namespace midiio
