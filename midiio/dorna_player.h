#pragma once
// Playing a DORNA stream loaded whole into memory, against the layer's
// clock: each record waits for its due time (accumulated from the delays, so
// a late send never shifts what follows) and then goes to a target, a MIDI
// output or a serial port.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "vornlib/status.h"

namespace midiio {

// One stream in the compact form the player walks: entries of a delay byte
// and a status byte, then
//   F0: 4-byte LE length n + 1, the byte F0, the record's n bytes
//   F7: 4-byte LE length n, the record's n bytes
//   any other status: the record's two bytes (FF, the end record, comes last)
// so a SysEx entry's length counts exactly the bytes to send.
class DornaBuffer {
 public:
  DornaBuffer() { bytes_.reserve(kInitialSize); }

  void clear() { bytes_.clear(); }
  void addTwoBytes(std::uint8_t delay, std::uint8_t status, std::uint8_t first, std::uint8_t second);
  // The head of a SysEx entry (status F0 or F7) whose record holds `length`
  // bytes; the bytes follow with addBody. F0 needs length below 0xFFFFFFFF.
  void addSysExHead(std::uint8_t delay, std::uint8_t status, std::uint32_t length);
  void addBody(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  static constexpr std::size_t kInitialSize = 0x10000;
  std::vector<std::uint8_t> bytes_;
};

struct DornaPlaySettings {
  std::uint32_t stepLengthMs = 8;  // also the clock's period
  bool playSysEx = false;          // otherwise SysEx records are skipped, pauses and all
  bool pieces = false;             // SysEx in pieces of chunkSize
  std::uint32_t chunkSize = 1024;
  std::uint32_t chunkPauseMs = 0;    // after each piece
  std::uint32_t messagePauseMs = 0;  // after each SysEx record
  // When set, told the milliseconds played so far before each wait for a
  // record and on each whole second of a long one (the tool shows progress).
  // Unset, a record's wait is one sleep to its due time.
  std::function<void(std::uint32_t playedMs)> onProgress;
};

// Where the records go. A send that fails gives its fault, as the tool
// reports it.
class DornaTarget {
 public:
  virtual ~DornaTarget() = default;
  // A record's status and both of its data bytes; the target sends as many
  // of them as the status carries.
  virtual vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) = 0;
  // Bytes as they are (SysEx data, whole or a piece); never empty.
  virtual vorn::Status sendBytes(std::span<const std::uint8_t> bytes) = 0;
};

// Restarts the clock with the step length as its period and plays `stream`
// up to its end record, then stops the clock. Fails with the fault of the
// clock, of a wait or pause (the MIDI output failed; the interrupted fault
// after Ctrl-C) or of the target.
vorn::Status playDorna(const DornaBuffer& stream, const DornaPlaySettings& settings, DornaTarget& target);

// The due time after a record's delay. The product is taken in 64 bits and
// cut to the clock's 32-bit milliseconds, which wrap with it.
inline std::uint32_t nextDue(std::uint32_t due, std::uint8_t delay, std::uint32_t stepLengthMs) {
  return due + static_cast<std::uint32_t>(static_cast<std::uint64_t>(delay) * stepLengthMs);
}

}  // namespace midiio
