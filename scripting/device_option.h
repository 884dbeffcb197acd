#pragma once
// praven's -E and -I: a port by name, or, with the option alone, the one
// the environment variable (ZAMO_MIDI_OUT, ZAMO_MIDI_IN) names. Without the
// option the port is not used at all.
#include "midiio/backend.h"
#include "vornlib/options.h"

namespace midiio {

// Sets `index` to the port found and `enabled` to whether one was. The
// option alone with the variable unset is refused, naming the ports that exist.
vorn::OptionHandler deviceOption(Direction direction, int& index, bool& enabled);

}  // namespace midiio
