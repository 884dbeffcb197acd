#pragma once
// The three 7-bit checksums that synthesizer SysEx messages carry. Each is
// derived from the running sum of the bytes it covers, taken modulo 256;
// the selection patterns, the MML compiler's SysEx data and the expression
// language's built-ins all compute them here.
#include <cstdint>
#include <span>

namespace vorn {

// The sum of `bytes` modulo 256, continuing from `sum`.
constexpr std::uint8_t runningSum(std::span<const std::uint8_t> bytes, std::uint8_t sum = 0) {
  for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
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
