#pragma once
// Runs one compiled pattern against one message.
#include <cstdint>
#include <span>
#include <vector>

namespace sysex {

// Bytes [start, end) of the message, counted from its 0xF0.
struct ExtractRange {
  std::uint32_t start;
  std::uint32_t end;
};

enum class MatchResult {
  NoMatch,
  Match,
  BadPattern,  // braces that do not pair at run time, or a byte that is no item
};

// Runs the items of one pattern record (the bytes after its length word, up
// to and including its end item) against `message` (0xF0 to 0xF7 inclusive,
// at least those two bytes). `ranges` is emptied, then receives the ranges
// the pattern marks, in the order it marks them.
MatchResult runPattern(std::span<const std::uint8_t> items, std::span<const std::uint8_t> message,
                       std::vector<ExtractRange>& ranges);

}  // namespace sysex
