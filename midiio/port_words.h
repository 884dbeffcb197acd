#pragma once
// What the real-time tools say about ports: which exist when a name matches
// none, and which one the default chose.
#include <string>
#include <string_view>

#include "midiio/backend.h"

namespace midiio {

// "the MIDI outputs are:" and one indented name a line, as navlin lists
// them; or "the ALSA system has no MIDI outputs".
std::string existingPortsText(Direction direction);

// For an option handler: looks `name` up as findMidiOutput / findMidiInput
// do; on a miss the refusal says there is no port of that name and which
// exist.
bool findPortForOption(Direction direction, std::string_view name, int& index);

// After the default port was opened (`index` is still kDefaultDevice: no
// option and no environment variable chose one): when standard error is a
// terminal, one line names the port and how to choose another.
void tellDefaultPort(Direction direction, int index);

}  // namespace midiio
