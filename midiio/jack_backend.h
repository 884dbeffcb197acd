#pragma once
// The JACK backend: a client named after the tool (never starting a server),
// one MIDI output port connected to the target at open, and frame-accurate
// placement of each message at its stamp plus one period.
#include <memory>
#include <string_view>

#include "midiio/backend.h"

namespace midiio {

// JACK neither splits nor joins events, and no event may exceed this.
inline constexpr std::size_t kJackLargestEvent = 32720;

MidiStatus connectJack(std::string_view clientName, std::unique_ptr<Backend>& backend);

}  // namespace midiio
