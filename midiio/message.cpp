#include "midiio/message.h"

#include <algorithm>

#include "vornlib/midi_status.h"

namespace midiio {

int shortMessageLength(std::uint8_t status) {
  if (status < 0x80 || status == 0xF0) return -1;
  if (vorn::isChannelStatus(status)) return 1 + vorn::channelDataBytes(status);
  switch (status) {
    case 0xF1: case 0xF3: return 2;
    case 0xF2: return 3;
    case 0xF6: case 0xF8: case 0xFA: case 0xFB: case 0xFC: case 0xFE: case 0xFF: return 1;
    default: return 0;  // F4 F5 F7 F9 FD
  }
}

bool LongMessageSplitter::flushPiece(const Sink& sink) {
  if (piece_.empty()) return true;
  const bool go = sink({EventKind::sysexData, piece_});
  piece_.clear();
  return go;
}

bool LongMessageSplitter::feed(std::span<const std::uint8_t> bytes, const Sink& sink) {
  // A run that starts with data bytes outside a message continues SysEx sent in pieces.
  if (!bytes.empty() && bytes[0] < 0x80) inside_ = true;
  for (std::uint8_t b : bytes) {
    if (b < 0x80) {
      if (inside_) {
        piece_.push_back(b);
        if (piece_.size() >= maxPiece_ && !flushPiece(sink)) return false;
      } else if (need_ > 0) {
        message_[static_cast<std::size_t>(have_++)] = b;
        if (have_ == need_) {
          need_ = 0;
          if (!sink({EventKind::shortMessage, std::span(message_).first(static_cast<std::size_t>(have_))})) return false;
        }
      }
      // Otherwise a stray data byte with no status: dropped.
      continue;
    }
    if (isRealTime(b)) {
      // Real-time bytes interleave with anything and end nothing.
      if (!flushPiece(sink)) return false;
      if (shortMessageLength(b) == 1 && !sink({EventKind::shortMessage, std::span(&b, 1)})) return false;
      continue;
    }
    need_ = 0;  // a status byte drops an unfinished short message
    if (b == 0xF7) {
      if (inside_) {
        piece_.push_back(b);
        inside_ = false;
        if (!flushPiece(sink)) return false;
      }
      continue;
    }
    if (inside_) {
      // Another status ends the open SysEx as it stands.
      inside_ = false;
      if (!flushPiece(sink)) return false;
    }
    if (b == 0xF0) {
      inside_ = true;
      piece_.push_back(b);
      continue;
    }
    const int length = shortMessageLength(b);
    if (length == 1) {
      if (!sink({EventKind::shortMessage, std::span(&b, 1)})) return false;
    } else if (length > 1) {
      message_[0] = b;
      have_ = 1;
      need_ = length;
    }
  }
  // A short message cut off by the end of the run is dropped; SysEx data it
  // carried goes out, and the message may go on in the next run.
  need_ = 0;
  return flushPiece(sink);
}

void SoundingNotes::note(std::span<const std::uint8_t> message) {
  if (message.size() < 3) return;
  const std::uint8_t status = message[0];
  const std::size_t channel = status & 0x0F;
  const std::uint8_t key = message[1] & 0x7F;
  switch (status >> 4) {
    case 0x9: on_[channel][key] = message[2] != 0; break;
    case 0x8: on_[channel][key] = false; break;
    case 0xB:
      if (key == 64) sustain_[channel] = message[2] >= 64;
      if (key == 120 || key == 123) on_[channel].fill(false);
      break;
    default: break;
  }
}

void SoundingNotes::silence(const std::function<void(std::span<const std::uint8_t>)>& send) {
  for (std::size_t channel = 0; channel < 16; ++channel) {
    for (std::size_t key = 0; key < 128; ++key) {
      if (!on_[channel][key]) continue;
      const std::uint8_t off[3] = {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0};
      send(off);
      on_[channel][key] = false;
    }
    if (sustain_[channel]) {
      const std::uint8_t pedal[3] = {static_cast<std::uint8_t>(0xB0 | channel), 64, 0};
      send(pedal);
      sustain_[channel] = false;
    }
  }
}

bool SoundingNotes::empty() const {
  return std::ranges::none_of(sustain_, [](bool b) { return b; }) &&
         std::ranges::none_of(on_, [](const auto& keys) { return std::ranges::find(keys, true) != keys.end(); });
}

}  // namespace midiio
