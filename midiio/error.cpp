#include "midiio/error.h"

namespace midiio {

std::string midiErrorText(std::uint32_t midiError) {
  switch (midiError) {
    case kMidiGeneral: return "MIDI error";
    case kMidiNoSuchPort: return "port no longer exists";
    case kMidiBusy: return "MIDI port busy or connection refused";
    case kMidiNoMemory: return "out of memory for MIDI data";
    case kMidiInvalidMessage: return "invalid MIDI message";
    case kMidiNotReady: return "MIDI port not ready: no progress for 10 seconds";
    case kMidiNoDevice: return "no MIDI device";
    case kMidiPeriodRefused: return "the timer refuses the period";
    case kMidiNoSystem: return "no MIDI system: no ALSA sequencer and no JACK server";
    case kMidiJackShutdown: return "the JACK server shut down";
    case kMidiAlsaError: return "ALSA sequencer error";
    case kMidiInterrupted: return "interrupted";
    case kMidiNoJackServer: return "no JACK server answers";
    default: return "MIDI error " + std::to_string(midiError);
  }
}

}  // namespace midiio
