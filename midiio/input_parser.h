#pragma once
// The producer's view of incoming bytes: cuts SysEx runs into chunks of at
// most 256 bytes, always right after an F7 and at the end of each event the
// system delivers; takes real-time bytes out of SysEx data; lets any other
// status byte end a chunk; and packs short messages (with running status).
// Runs in the producer's thread: no allocation, no lock.
#include <array>
#include <cstdint>
#include <span>

#include "midiio/input_queue.h"

namespace midiio {

class InputParser {
 public:
  // One event as the system delivered it, with its time stamp.
  void feed(std::span<const std::uint8_t> bytes, std::uint32_t time, InputQueue& queue);
  // Forgets any message in progress (before recording starts).
  void reset();

 private:
  void byte(std::uint8_t b, std::uint32_t time, InputQueue& queue);
  void endChunk(std::uint32_t time, InputQueue& queue);
  void status(std::uint8_t b, std::uint32_t time, InputQueue& queue);

  bool inSysEx_ = false;
  std::array<std::uint8_t, kInputBlockBytes> chunk_{};
  std::size_t chunkLength_ = 0;
  std::uint8_t runningStatus_ = 0;
  std::uint8_t shortBytes_[3] = {};
  int shortHave_ = 0;
  int shortNeed_ = 0;
};

}  // namespace midiio
