#pragma once
// A SysEx file as text, one message a line: the byte offset of its F0, then
// the message in words (sysex_text.h). Bytes outside messages, which every
// reader of the suite skips, are counted on a line of their own.
#include <cstdint>
#include <optional>
#include <string>

#include "vornlib/streams.h"

namespace sysex {

struct DumpFault {
  std::string text;
  std::uint64_t offset = 0;  // of the byte that broke a message, or of the end of input
};

// Writes the lines for every message of `in` to `out`. A malformed message
// is still shown as far as it went; then the fault comes back.
std::optional<DumpFault> dumpSysExFile(vorn::ByteInput& in, vorn::ByteOutput& out);

}  // namespace sysex
