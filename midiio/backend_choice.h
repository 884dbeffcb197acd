#pragma once
// Which MIDI system a process talks to: the ALSA sequencer when
// /dev/snd/seq opens, else a running JACK server; ZAMO_MIDI_API=alsa|jack
// forces one (and "fake" selects the in-process test system).
#include <memory>
#include <string_view>

#include "midiio/backend.h"

namespace midiio {

// Connects as a client named `clientName`.
MidiStatus connectBackend(std::string_view clientName, std::unique_ptr<Backend>& backend);

}  // namespace midiio
