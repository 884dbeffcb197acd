#pragma once
// Bytes the input tests feed: from hex text, and SysEx messages of a size.
#include <cstdint>
#include <string>
#include <vector>

#include "run_tool.h"

namespace zamotest {

inline std::vector<std::uint8_t> raw(const std::string& hexText) {
  const std::string b = unhex(hexText);
  return {b.begin(), b.end()};
}

// F0, `data` bytes counting up from `first`, F7 when `closed`.
inline std::vector<std::uint8_t> sysexOf(std::size_t data, bool closed = true, int first = 0) {
  std::vector<std::uint8_t> m{0xF0};
  for (std::size_t i = 0; i < data; ++i) m.push_back(static_cast<std::uint8_t>((first + i) & 0x7F));
  if (closed) m.push_back(0xF7);
  return m;
}

}  // namespace zamotest
