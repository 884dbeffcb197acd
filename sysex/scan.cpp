#include "sysex/scan.h"

namespace sysex {

std::string cutMessageText(vorn::ByteInput& in, std::uint64_t messageStart) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string message = " inside the message that starts at byte offset " + std::to_string(messageStart);
  int b = in.peek();
  if (b < 0) return "the input ends" + message + ", before its F7";
  return std::string("status byte ") + kHex[b >> 4] + kHex[b & 0xF] + message;
}

}  // namespace sysex
