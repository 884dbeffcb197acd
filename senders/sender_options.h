#pragma once
// Option handlers the MIDI senders (droska, teskar) share: pauses, and SysEx
// in pieces (the output port is midiio/port_words.h's portOption).
#include <cstdint>

#include "vornlib/options.h"

namespace midiio {

inline constexpr std::uint32_t kLongestOptionPauseMs = 100000;

// -Sms and the like: milliseconds, at most 100000, nothing after them.
vorn::OptionHandler pauseOption(std::uint32_t& ms);
inline constexpr std::string_view kPauseWants = "a pause of at most 100000 ms";

// -Dn,ms: pieces of n bytes (at least `smallest`), a comma, ms after each
// piece (at most 100000), nothing after; turns sending in pieces on.
struct Pieces {
  bool& on;
  std::uint32_t& size;
  std::uint32_t& pauseMs;
};
vorn::OptionHandler piecesOption(std::uint32_t smallest, Pieces pieces);

}  // namespace midiio
