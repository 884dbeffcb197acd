#include "sysex/scan.h"

#include "vornlib/shown_bytes.h"

namespace sysex {

std::string cutMessageText(vorn::ByteInput& in, std::uint64_t messageStart) {
  std::string message = " inside the message that starts at byte offset " + std::to_string(messageStart);
  int b = in.peek();
  if (b < 0) return "the input ends" + message + ", before its F7";
  return "status byte " + vorn::hexByte(static_cast<std::uint8_t>(b)) + message;
}

}  // namespace sysex
