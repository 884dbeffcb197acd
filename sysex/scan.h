#pragma once
// The one way the SysEx file tools read a SysEx file: every byte outside a
// message is skipped (text, stray data, status bytes, an orphaned 0xF7); a
// message runs from 0xF0 to the next 0xF7 and holds only bytes below 0x80.
// A message that breaks that rule is never repaired: the scan stops there
// and the caller reports it.
#include <cstdint>
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

// Reads every message of `in` in order and hands it to `sink` as it comes:
//   sink.begin()          the message's 0xF0 was read
//   sink.data(byte)       each data byte (below 0x80)
//   sink.end()            its 0xF7 was read; returns false to stop the scan
// On a malformed message the sink has seen begin() and the data bytes before
// the fault, but no end(); a status byte that broke the message is left
// unread, so in.offset() names it.
template <typename Sink>
ScanResult scanSysexFile(vorn::ByteInput& in, Sink& sink) {
  while (in.peek() >= 0) {
    int b;
    do {
      b = in.get();
    } while (b >= 0 && b != kSysExStart);
    if (b < 0) break;
    sink.begin();
    for (;;) {
      b = in.get();
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
