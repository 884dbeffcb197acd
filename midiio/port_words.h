#pragma once
// What the real-time tools say about ports: which exist when a name matches
// none, and which one the default chose.
#include <optional>
#include <string>
#include <string_view>

#include "midiio/backend.h"
#include "vornlib/options.h"
#include "vornlib/status.h"

namespace midiio {

// "the MIDI outputs are:" and one indented name a line, as navlin lists
// them; or "the ALSA system has no MIDI outputs". Fails when there is no
// MIDI system.
vorn::Status existingPortsText(Direction direction, std::string& text);

// For an option handler: looks `name` up as findMidiOutput / findMidiInput
// do; on a miss the refusal says there is no port of that name and which
// exist. Without a MIDI system, that is the option's fault (optionFault).
bool findPortForOption(Direction direction, std::string_view name, int& index);
// -Ename, -Iname: the port findPortForOption finds into `index`; `chosen`
// tells that the option named one.
vorn::OptionHandler portOption(Direction direction, int& index, bool& chosen);

// After the default port was opened (`index` is still kDefaultDevice: no
// option and no environment variable chose one): when standard error is a
// terminal, the line that names the port and how to choose another; else
// none.
std::optional<std::string> defaultPortNote(Direction direction, int index);

}  // namespace midiio
