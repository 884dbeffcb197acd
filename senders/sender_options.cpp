#include "senders/sender_options.h"

#include "midiio/port_words.h"
#include "vornlib/numbers.h"

namespace midiio {

vorn::OptionHandler outputOption(int& index, bool& chosen) {
  return [&index, &chosen](std::string_view text) {
    chosen = findPortForOption(Direction::output, text, index);
    return chosen;
  };
}

vorn::OptionHandler pauseOption(std::uint32_t& ms) {
  return [&ms](std::string_view text) {
    std::uint32_t value;
    if (!vorn::parseWholeDecimal(text, value) || value > kLongestOptionPauseMs) return false;
    ms = value;
    return true;
  };
}

vorn::OptionHandler piecesOption(std::uint32_t smallest, Pieces pieces) {
  return [smallest, pieces](std::string_view text) {
    const vorn::NumberResult size = vorn::Strz2Dword(text);
    if (!size.ok() || size.value < smallest || text.empty() || text[0] != ',') return false;
    text.remove_prefix(1);
    std::uint32_t pause;
    if (!vorn::parseWholeDecimal(text, pause) || pause > kLongestOptionPauseMs) return false;
    pieces.on = true;
    pieces.size = size.value;
    pieces.pauseMs = pause;
    return true;
  };
}

}  // namespace midiio
