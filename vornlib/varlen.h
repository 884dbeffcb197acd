#pragma once
// Standard MIDI File variable-length quantities: seven bits a byte, most
// significant group first, a set top bit meaning another byte follows.
#include <array>
#include <cstddef>
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

// Writes `value` as a quantity at the end of `groups` and returns where it
// starts; up to kMaxVarLength it takes one to four bytes (callers keep to
// that: readers refuse a fifth).
inline std::size_t encodeVarLength(std::uint32_t value, std::array<std::uint8_t, 5>& groups) {
  std::size_t n = groups.size();
  groups[--n] = static_cast<std::uint8_t>(value & 0x7F);
  for (value >>= 7; value != 0; value >>= 7) groups[--n] = static_cast<std::uint8_t>(0x80 | (value & 0x7F));
  return n;
}

inline void appendVarLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::array<std::uint8_t, 5> groups;
  std::size_t start = encodeVarLength(value, groups);
  out.insert(out.end(), groups.begin() + static_cast<std::ptrdiff_t>(start), groups.end());
}

}  // namespace vorn
