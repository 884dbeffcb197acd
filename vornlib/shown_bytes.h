#pragma once
// Bytes as messages show them to a user: "F5" for one byte, and quoted text
// with anything unprintable (and the quote and backslash) as \xNN.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorn {

// Two upper-case hex digits: "F5".
std::string hexByte(std::uint8_t b);

// "F0 41 10": each byte as two digits, separated by blanks.
std::string hexBytes(std::span<const std::uint8_t> bytes);

// "\"MThd\"", "\"RIF\\x00\"": printable ASCII as it is, other bytes as \xNN.
std::string quotedBytes(std::span<const std::uint8_t> bytes);
inline std::string quotedBytes(std::string_view text) {
  return quotedBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace vorn
