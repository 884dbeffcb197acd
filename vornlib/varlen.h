#pragma once
// Standard MIDI File variable-length quantities: seven bits a byte, most
// significant group first, a set top bit meaning another byte follows.
#include <cstdint>
#include <optional>
#include <vector>

namespace vorn {

// The largest value a quantity of four bytes carries.
inline constexpr std::uint32_t kMaxVarLength = 0x0FFFFFFF;

// Reads a quantity of at most four bytes through `nextByte` (a callable
// giving std::uint8_t; it handles running out of input itself). Empty when
// the fourth byte still has its top bit set.
template <typename NextByte>
std::optional<std::uint32_t> readVarLength(NextByte&& nextByte) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    std::uint8_t b = nextByte();
    value = (value << 7) | (b & 0x7Fu);
    if ((b & 0x80) == 0) return value;
  }
  return std::nullopt;
}

// Appends `value` as a quantity; up to kMaxVarLength it takes one to four
// bytes (callers keep to that: readers refuse a fifth).
inline void appendVarLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

}  // namespace vorn
