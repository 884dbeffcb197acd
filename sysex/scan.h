#pragma once
// The one way the SysEx file tools read a SysEx file: every byte outside a
// message is skipped (text, stray data, status bytes, an orphaned 0xF7); a
// message runs from 0xF0 to the next 0xF7 and holds only bytes below 0x80.
// A message that breaks that rule is never repaired: the scan stops there
// and the caller reports it.
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "vornlib/midi_status.h"
#include "vornlib/streams.h"

namespace sysex {

using vorn::kSysExEnd;
using vorn::kSysExStart;

enum class ScanResult {
  Done,       // the input ended outside a message
  Malformed,  // a status byte inside a message, or the input ended before its 0xF7
  Stopped,    // the sink asked to stop
};

// Reads up to and including the next 0xF0; false when the input ends first.
inline bool skipToMessage(vorn::ByteInput& in) {
  for (;;) {
    std::span<const std::uint8_t> buffered = in.inBuffer();
    if (buffered.empty()) {
      int b = in.get();
      if (b < 0) return false;
      if (b == kSysExStart) return true;
      continue;
    }
    const void* start = std::memchr(buffered.data(), kSysExStart, buffered.size());
    if (start) {
      in.consume(static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - buffered.data()) + 1);
      return true;
    }
    in.consume(buffered.size());
  }
}

// The data bytes (below 0x80) at the head of what `in` has buffered, left
// unread; looked at eight at a time.
inline std::span<const std::uint8_t> bufferedDataRun(const vorn::ByteInput& in) {
  std::span<const std::uint8_t> buffered = in.inBuffer();
  std::size_t n = 0;
  for (std::uint64_t word; n + 8 <= buffered.size(); n += 8) {
    std::memcpy(&word, buffered.data() + n, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (n < buffered.size() && buffered[n] < 0x80) ++n;
  return buffered.first(n);
}

// Reads every message of `in` in order and hands it to `sink` as it comes:
//   sink.begin()          the message's 0xF0 was read
//   sink.data(byte)       each data byte (below 0x80); a sink that also takes
//   sink.data(span)       a span is given runs of them at once
//   sink.end()            its 0xF7 was read; returns false to stop the scan
// On a malformed message the sink has seen begin() and the data bytes before
// the fault, but no end(); a status byte that broke the message is left
// unread, so in.offset() names it.
template <typename Sink>
ScanResult scanSysexFile(vorn::ByteInput& in, Sink& sink) {
  constexpr bool takesRuns = requires(std::span<const std::uint8_t> run) { sink.data(run); };
  while (in.peek() >= 0) {
    if (!skipToMessage(in)) break;
    sink.begin();
    for (;;) {
      if constexpr (takesRuns) {
        std::span<const std::uint8_t> run = bufferedDataRun(in);
        if (!run.empty()) {
          sink.data(run);
          in.consume(run.size());
          continue;
        }
      }
      int b = in.get();
      if (b == kSysExEnd) break;
      if (b < 0) return ScanResult::Malformed;
      if (b >= 0x80) {
        in.unget();
        return ScanResult::Malformed;
      }
      sink.data(static_cast<std::uint8_t>(b));
    }
    if (!sink.end()) return ScanResult::Stopped;
  }
  return ScanResult::Done;
}

// What broke the message that starts at `messageStart`, once a scan of
// `in` returned Malformed: the status byte left unread, or the end of input.
std::string cutMessageText(vorn::ByteInput& in, std::uint64_t messageStart);

}  // namespace sysex
