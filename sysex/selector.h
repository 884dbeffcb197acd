#pragma once
// Selects the messages of SysEx files by compiled patterns and writes them
// whole, as the ranges the patterns mark, or only as counts per file.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sysex/pattern_matcher.h"
#include "vornlib/streams.h"

namespace sysex {

// The mode flags, one word as the options set them.
enum SelectFlags : std::uint32_t {
  kSelectAll = 0x01,      // every pattern must match
  kSelectInvert = 0x02,   // invert the selection
  kSelectCount = 0x04,    // write a count line per file, no messages
  kSelectCountT = 0x08,   // ... with the counts on it
  kSelectExtract = 0x10,  // write only the marked ranges
};

struct SelectFault {
  enum Kind { None, MalformedMessage, BadPattern, MessageTooLong } kind = None;
  std::size_t pattern = 0;  // the pattern (from 1) that failed, for BadPattern
};

class Selector {
 public:
  // `program` holds the compiled pattern records back to back.
  Selector(std::span<const std::uint8_t> program, std::uint32_t flags) : program_(program), flags_(flags) {}

  // Whether `message` (0xF0 to 0xF7) is selected; ranges() then holds the
  // ranges of the last pattern run. A pattern that cannot run sets `fault`.
  bool select(std::span<const std::uint8_t> message, SelectFault& fault);
  const std::vector<ExtractRange>& ranges() const { return ranges_; }
  // Where the message read last (or being read) starts in its input.
  std::uint64_t messageStart() const { return messageStart_; }

  // Reads every message of `in`, writes what is selected to `out`, then the
  // count line in count mode (`name` null for standard input). Stops at the
  // first fault and returns it; what was written before stays. A message
  // too big for memory throws std::bad_alloc (messageStart() names it).
  SelectFault selectFile(vorn::ByteInput& in, vorn::ByteOutput& out, const char* name);

 private:
  void writeSelected(vorn::ByteOutput& out);

  std::span<const std::uint8_t> program_;
  std::uint32_t flags_;
  std::vector<std::uint8_t> message_;
  std::vector<ExtractRange> ranges_;
  std::uint64_t messageStart_ = 0;
};

}  // namespace sysex
