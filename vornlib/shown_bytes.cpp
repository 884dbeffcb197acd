#include "vornlib/shown_bytes.h"

#include <cstddef>

namespace vorn {
namespace {
constexpr char kHex[] = "0123456789ABCDEF";
}  // namespace

std::string hexByte(std::uint8_t b) { return {kHex[b >> 4], kHex[b & 0xF]}; }

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  // Three characters a byte less the last space, written in place: dumps
  // show the head of every message this way.
  std::string text(bytes.empty() ? 0 : 3 * bytes.size() - 1, ' ');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text[3 * i] = kHex[bytes[i] >> 4];
    text[3 * i + 1] = kHex[bytes[i] & 0xF];
  }
  return text;
}

std::string quotedBytes(std::span<const std::uint8_t> bytes) {
  std::string text = "\"";
  for (std::uint8_t b : bytes) {
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      text += static_cast<char>(b);
    } else {
      text += "\\x" + hexByte(b);
    }
  }
  return text + "\"";
}

}  // namespace vorn
