#include "midiio/input_parser.h"

#include "vornlib/midi_status.h"

namespace midiio {
namespace {

// Data bytes after a system common status (F1-F6).
int systemCommonDataBytes(std::uint8_t status) {
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 1;
    case 0xF2:
      return 2;
    default:
      return 0;
  }
}

std::uint32_t pack(const std::uint8_t* bytes, int count) {
  std::uint32_t packed = 0;
  for (int i = 0; i < count; ++i) packed |= std::uint32_t{bytes[i]} << (8 * i);
  return packed;
}

}  // namespace

void InputParser::reset() {
  inSysEx_ = false;
  chunkLength_ = 0;
  runningStatus_ = 0;
  shortHave_ = shortNeed_ = 0;
}

void InputParser::feed(std::span<const std::uint8_t> bytes, std::uint32_t time, InputQueue& queue) {
  for (std::uint8_t b : bytes) byte(b, time, queue);
  endChunk(time, queue);
  // Systems deliver whole messages per event: running status ends with the event.
  runningStatus_ = 0;
  shortHave_ = shortNeed_ = 0;
}

void InputParser::endChunk(std::uint32_t time, InputQueue& queue) {
  if (chunkLength_ != 0) queue.pushLong({chunk_.data(), chunkLength_}, time);
  chunkLength_ = 0;
}

void InputParser::byte(std::uint8_t b, std::uint32_t time, InputQueue& queue) {
  if (b >= 0xF8) {  // real time: never part of anything around it
    queue.pushShort(b, time);
    return;
  }
  if (inSysEx_) {
    if (b < 0x80 || b == 0xF7) {
      chunk_[chunkLength_++] = b;
      if (b == 0xF7) {
        inSysEx_ = false;
        endChunk(time, queue);
      } else if (chunkLength_ == chunk_.size()) {
        endChunk(time, queue);
      }
      return;
    }
    // Any other status ends the message without its F7.
    inSysEx_ = false;
    endChunk(time, queue);
  }
  if (b >= 0x80) return status(b, time, queue);
  // A data byte outside SysEx: a continuation of the current or running status.
  if (shortNeed_ == 0) {
    if (!vorn::isChannelStatus(runningStatus_)) return;  // stray
    shortBytes_[0] = runningStatus_;
    shortHave_ = 1;
    shortNeed_ = 1 + vorn::channelDataBytes(runningStatus_);
  }
  shortBytes_[shortHave_++] = b;
  if (shortHave_ == shortNeed_) {
    queue.pushShort(pack(shortBytes_, shortHave_), time);
    shortHave_ = shortNeed_ = 0;
  }
}

void InputParser::status(std::uint8_t b, std::uint32_t time, InputQueue& queue) {
  shortHave_ = shortNeed_ = 0;
  if (b == 0xF0) {
    inSysEx_ = true;
    runningStatus_ = 0;
    chunk_[chunkLength_++] = b;
    return;
  }
  if (b == 0xF7) return;  // an end with no start
  const int data = vorn::isChannelStatus(b) ? vorn::channelDataBytes(b) : systemCommonDataBytes(b);
  runningStatus_ = vorn::isChannelStatus(b) ? b : 0;
  if (data == 0) {
    queue.pushShort(b, time);
    return;
  }
  shortBytes_[0] = b;
  shortHave_ = 1;
  shortNeed_ = 1 + data;
}

}  // namespace midiio
