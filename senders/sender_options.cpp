#include "senders/sender_options.h"

#include "vornlib/numbers.h"

namespace midiio {

vorn::OptionHandler pauseOption(std::uint32_t& ms) {
  return vorn::numberOption(ms, 0, kLongestOptionPauseMs);
}

vorn::OptionHandler piecesOption(std::uint32_t smallest, Pieces pieces) {
  return [smallest, pieces](std::string_view text) {
    const vorn::NumberResult size = vorn::Strz2Dword(text);
    if (!size.ok() || size.value < smallest || text.empty() || text[0] != ',') return false;
    text.remove_prefix(1);
    std::uint32_t pause;
    if (!vorn::parseDecimalIn(text, 0, kLongestOptionPauseMs, pause)) return false;
    pieces.on = true;
    pieces.size = size.value;
    pieces.pauseMs = pause;
    return true;
  };
}

}  // namespace midiio
