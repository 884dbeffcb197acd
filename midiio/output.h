#pragma once
// One open MIDI output over any backend: checks and splits what the tool
// sends, remembers what it left sounding, and silences that when it closes.
#include <cstdint>
#include <memory>
#include <span>

#include "midiio/backend.h"
#include "midiio/message.h"

namespace midiio {

class MidiOutput {
 public:
  MidiOutput(std::unique_ptr<OutputPort> port, Clock& clock);
  ~MidiOutput() { close(false); }
  MidiOutput(const MidiOutput&) = delete;
  MidiOutput& operator=(const MidiOutput&) = delete;

  // A packed short message (status in bits 0-7); only as many bytes as the status gives are sent.
  MidiStatus sendShort(std::uint32_t packed);
  // Bytes as they are; returns once everything has left, so the caller may
  // reuse them. A send that fails inside a SysEx message ends the message
  // with F7 when the port still takes data, and its detail says whether.
  MidiStatus sendLong(std::span<const std::uint8_t> bytes);
  // Drains (about 2 s; 200 ms when `interrupted`), silences, disconnects. Safe to repeat.
  void close(bool interrupted);
  bool isOpen() const { return port_ != nullptr; }
  MidiStatus health() const { return port_ ? port_->health() : MidiStatus{kMidiGeneral, "the MIDI output is not open"}; }

 private:
  MidiStatus submit(const MidiEvent& event);
  void endCutSysEx(MidiStatus& failure);

  std::unique_ptr<OutputPort> port_;
  Clock& clock_;
  LongMessageSplitter splitter_;
  SoundingNotes sounding_;
  bool sysexOpen_ = false;  // the last SysEx piece handed over had no F7
};

}  // namespace midiio
