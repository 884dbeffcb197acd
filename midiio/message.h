#pragma once
// MIDI byte rules shared by every backend: how long a short message is, how a
// run of bytes handed over "as it is" becomes events, and which notes a
// process left sounding.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace midiio {

// Bytes a short message with this status carries: 3, 2 or 1; 0 for a status
// that is not sent (a lone F7, the undefined F4 F5 F9 FD); -1 for what is no
// short message at all (a data byte, or F0).
int shortMessageLength(std::uint8_t status);

inline bool isRealTime(std::uint8_t b) { return b >= 0xF8; }

enum class EventKind { shortMessage, sysexData };

// One event for a backend: a complete short message, or a piece of SysEx
// data (with or without its F0 and F7).
struct MidiEvent {
  EventKind kind;
  std::span<const std::uint8_t> bytes;
};

// Turns runs of bytes into events, keeping its inside-SysEx state from one run
// to the next so that SysEx sent in pieces stays one message. SysEx pieces are
// cut to at most `maxPiece` bytes.
class LongMessageSplitter {
 public:
  using Sink = std::function<bool(const MidiEvent&)>;

  explicit LongMessageSplitter(std::size_t maxPiece) : maxPiece_(maxPiece) {}

  // Feeds a run; `sink` gets each event in order and returns false to stop
  // (then this returns false and the rest of the run is dropped).
  bool feed(std::span<const std::uint8_t> bytes, const Sink& sink);
  bool insideSysex() const { return inside_; }
  // Forgets an open SysEx message whose sender gave up on it.
  void abandonSysex() {
    inside_ = false;
    piece_.clear();
  }
  // A short message sent on its own ends an open SysEx unless it is real-time.
  void noteShortMessage(std::uint8_t status) {
    if (!isRealTime(status)) inside_ = false;
  }

 private:
  bool flushPiece(const Sink& sink);

  std::size_t maxPiece_;
  bool inside_ = false;
  std::vector<std::uint8_t> piece_;
  std::array<std::uint8_t, 3> message_{};
  int have_ = 0;
  int need_ = 0;
};

// Remembers the notes and sustain this process left on, so that closing can
// silence exactly those.
class SoundingNotes {
 public:
  void note(std::span<const std::uint8_t> message);
  // Calls `send` with each note-off and Sustain Off that silences what is left,
  // then forgets it.
  void silence(const std::function<void(std::span<const std::uint8_t>)>& send);
  bool empty() const;

 private:
  std::array<std::array<bool, 128>, 16> on_{};
  std::array<bool, 16> sustain_{};
};

}  // namespace midiio
