#pragma once
// The three 7-bit checksums that synthesizer SysEx messages carry. Each is
// derived from the running sum of the bytes it covers, taken modulo 256;
// the selection patterns, the MML compiler's SysEx data and the expression
// language's built-ins all compute them here.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

namespace vorn {

// The sum of `bytes` modulo 256, continuing from `sum`. A long run (a dump
// is kilobytes) is summed eight bytes at a time: the bytes at the even and
// at the odd places of each word add up in 16-bit lanes, which hold the
// sums of 128 words before they are folded into `sum`.
constexpr std::uint8_t runningSum(std::span<const std::uint8_t> bytes, std::uint8_t sum = 0) {
  std::size_t n = 0;
  if (!std::is_constant_evaluated()) {
    constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
    while (bytes.size() - n >= 8) {
      const std::size_t words = std::min<std::size_t>((bytes.size() - n) / 8, 128);
      std::uint64_t lanes = 0;
      for (std::size_t i = 0; i < words; ++i, n += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + n, sizeof word);
        lanes += (word & kLanes) + (word >> 8 & kLanes);
      }
      sum = static_cast<std::uint8_t>(sum + lanes + (lanes >> 16) + (lanes >> 32) + (lanes >> 48));
    }
  }
  for (; n < bytes.size(); ++n) sum = static_cast<std::uint8_t>(sum + bytes[n]);
  return sum;
}

// Plain sum: the low seven bits of the running sum.
constexpr std::uint8_t sum7(std::uint8_t runningSum) { return runningSum & 0x7F; }

// Complement sum (Roland style): the byte that brings the seven-bit sum of
// the covered bytes and itself to zero.
constexpr std::uint8_t csum7(std::uint8_t runningSum) {
  return static_cast<std::uint8_t>((0x80 - (runningSum & 0x7F)) & 0x7F);
}

// Keyed sum: the running sum plus 0x25, seven bits.
constexpr std::uint8_t ksum7(std::uint8_t runningSum) {
  return static_cast<std::uint8_t>((runningSum + 0x25) & 0x7F);
}

// The same over a run of bytes.
constexpr std::uint8_t sum7(std::span<const std::uint8_t> bytes) { return sum7(runningSum(bytes)); }
constexpr std::uint8_t csum7(std::span<const std::uint8_t> bytes) { return csum7(runningSum(bytes)); }
constexpr std::uint8_t ksum7(std::span<const std::uint8_t> bytes) { return ksum7(runningSum(bytes)); }

}  // namespace vorn
