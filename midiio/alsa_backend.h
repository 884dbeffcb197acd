#pragma once
// The ALSA sequencer backend: a client named after the tool with one port,
// connected to the target at open; SysEx as a paced run of events.
#include <memory>
#include <string_view>

#include "midiio/backend.h"

namespace midiio {

// The largest SysEx piece sent as one sequencer event: receivers' input pools
// refuse single events much above a few KiB.
inline constexpr std::size_t kAlsaLargestEvent = 256;

// Whether /dev/snd/seq opens.
bool alsaSequencerPresent();
MidiStatus connectAlsa(std::string_view clientName, std::unique_ptr<Backend>& backend);

}  // namespace midiio
