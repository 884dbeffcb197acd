#include "midiio/output.h"

#include <array>
#include <cstdio>

#include "midiio/break_check.h"

namespace midiio {
namespace {

constexpr Nanos kDrainLimit = 2000 * kNanosPerMs;        // a normal close
constexpr Nanos kBreakDrainLimit = 200 * kNanosPerMs;    // a close after Ctrl-C
constexpr Nanos kSendProgressLimit = 10000 * kNanosPerMs; // a long send that stopped moving
constexpr Nanos kEndCutLimit = 200 * kNanosPerMs;         // the port's chance to take a closing F7
constexpr std::uint8_t kEndOfExclusive[] = {0xF7};

std::string hexStatus(std::uint32_t packed) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(packed & 0xFFFFFF));
  return text;
}

}  // namespace

MidiOutput::MidiOutput(std::unique_ptr<OutputPort> port, Clock& clock)
    : port_(std::move(port)), clock_(clock), splitter_(port_->maxPiece()) {}

MidiStatus MidiOutput::submit(const MidiEvent& event) {
  if (event.kind == EventKind::shortMessage) sounding_.note(event.bytes);
  MidiStatus status = port_->submit(event, clock_.stamp());
  if (status && !event.bytes.empty()) {
    if (event.kind == EventKind::sysexData) sysexOpen_ = event.bytes.back() != 0xF7;
    else if (!isRealTime(event.bytes[0])) sysexOpen_ = false;
  }
  return status;
}

// The receiver got part of a SysEx message and would wait inside it: drop
// what still waits, and when the port moves again within a moment, send the
// F7 that ends the message. A port that is gone gets nothing.
void MidiOutput::endCutSysEx(MidiStatus& failure) {
  sysexOpen_ = false;
  splitter_.abandonSysex();
  if (failure.is(kMidiNoSuchPort) || failure.is(kMidiJackShutdown)) return;
  port_->discardPending();
  const bool ended = port_->drain(kEndCutLimit) && submit({EventKind::sysexData, kEndOfExclusive}) &&
                     port_->drain(kEndCutLimit);
  failure.addDetail(ended ? "; the SysEx message it cut off was ended with F7"
                          : "; no F7 could follow, so the receiver is left inside a SysEx message");
}

MidiStatus MidiOutput::sendShort(std::uint32_t packed) {
  if (!port_) return {kMidiGeneral, "the MIDI output is not open"};
  const std::array<std::uint8_t, 3> bytes{static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                                          static_cast<std::uint8_t>(packed >> 16)};
  const int length = shortMessageLength(bytes[0]);
  if (length < 0) return {kMidiInvalidMessage, "short message " + hexStatus(packed) + " has no status byte"};
  if (length == 0) return {};  // a lone F7 and the undefined statuses go nowhere
  for (int i = 1; i < length; ++i) {
    if (bytes[static_cast<std::size_t>(i)] >= 0x80) {
      return {kMidiInvalidMessage, "short message " + hexStatus(packed) + " has a data byte above 7F"};
    }
  }
  splitter_.noteShortMessage(bytes[0]);
  return submit({EventKind::shortMessage, std::span(bytes).first(static_cast<std::size_t>(length))});
}

MidiStatus MidiOutput::sendLong(std::span<const std::uint8_t> bytes) {
  if (!port_) return {kMidiGeneral, "the MIDI output is not open"};
  if (bytes.empty()) return {kMidiInvalidMessage, "a long message of 0 bytes"};
  MidiStatus status;
  bool handedSysex = false;
  splitter_.feed(bytes, [&](const MidiEvent& event) {
    status = submit(event);
    handedSysex |= status && event.kind == EventKind::sysexData;
    return status.ok();
  });
  if (status) status = port_->drain(kSendProgressLimit);
  // After a break the close ends the message (see close).
  if (!status && !status.is(kMidiInterrupted) && (sysexOpen_ || handedSysex)) endCutSysEx(status);
  return status;
}

void MidiOutput::close(bool interrupted) {
  if (!port_) return;
  IgnoringBreaks closing;
  auto send = [this](std::span<const std::uint8_t> message) {
    (void)port_->submit({EventKind::shortMessage, message}, clock_.stamp());
  };
  // A system that left or stopped running takes nothing more: nothing to wait for.
  const Nanos limit = interrupted ? kBreakDrainLimit : kDrainLimit;
  if (port_->health() && !port_->stalled()) {
    if (!port_->drain(limit)) port_->discardPending();
    if (interrupted) {
      // Broken off inside a SysEx message: end it before the silence.
      if (sysexOpen_) (void)port_->submit({EventKind::sysexData, kEndOfExclusive}, clock_.stamp());
      for (std::uint8_t channel = 0; channel < 16; ++channel) {
        const std::uint8_t allNotesOff[3] = {static_cast<std::uint8_t>(0xB0 | channel), 123, 0};
        const std::uint8_t sustainOff[3] = {static_cast<std::uint8_t>(0xB0 | channel), 64, 0};
        send(allNotesOff);
        send(sustainOff);
      }
    } else {
      sounding_.silence(send);
    }
    (void)port_->drain(limit);
  }
  port_.reset();
}

}  // namespace midiio
