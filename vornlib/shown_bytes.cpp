#include "vornlib/shown_bytes.h"

namespace vorn {

std::string hexByte(std::uint8_t b) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return {kHex[b >> 4], kHex[b & 0xF]};
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += hexByte(b);
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
