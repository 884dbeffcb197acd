#include "midiio/output.h"

#include <array>
#include <cstdio>

#include "midiio/break_check.h"

namespace midiio {
namespace {

constexpr Nanos kDrainLimit = 2000 * kNanosPerMs;        // a normal close
constexpr Nanos kBreakDrainLimit = 200 * kNanosPerMs;    // a close after Ctrl-C
constexpr Nanos kSendProgressLimit = 10000 * kNanosPerMs; // a long send that stopped moving

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
  return port_->submit(event, clock_.stamp());
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
  splitter_.feed(bytes, [&](const MidiEvent& event) {
    status = submit(event);
    return status.ok();
  });
  if (!status) return status;
  return port_->drain(kSendProgressLimit);
}

void MidiOutput::close(bool interrupted) {
  if (!port_) return;
  IgnoringBreaks closing;
  auto send = [this](std::span<const std::uint8_t> message) {
    (void)port_->submit({EventKind::shortMessage, message}, clock_.stamp());
  };
  const Nanos limit = interrupted ? kBreakDrainLimit : kDrainLimit;
  if (!port_->drain(limit)) port_->discardPending();
  // A system that left or stopped running takes no silencing either.
  if (port_->health() && !port_->stalled()) {
    if (interrupted) {
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
