#pragma once
// Between the layer's events and ALSA sequencer events, through libasound's
// MIDI event coder; and the names ports get.
#include <alsa/asoundlib.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "midiio/backend.h"
#include "midiio/message.h"

namespace midiio {

class AlsaEventCoder {
 public:
  AlsaEventCoder();
  ~AlsaEventCoder();
  AlsaEventCoder(const AlsaEventCoder&) = delete;
  AlsaEventCoder& operator=(const AlsaEventCoder&) = delete;

  // A short message through the coder; a SysEx piece as a variable-length
  // event pointing at the piece's bytes (which must outlive `out`). False for
  // bytes the coder does not make one whole event of.
  bool encode(const MidiEvent& event, snd_seq_event_t& out);
  // The MIDI bytes an event stands for (no running status).
  std::vector<std::uint8_t> decode(const snd_seq_event_t& event);

 private:
  snd_midi_event_t* coder_ = nullptr;
};

// "client name:port name", as the sequencer reports them.
std::string alsaDeviceName(std::string_view client, std::string_view port);

// Whether a port with these capability bits is listed in `direction`'s list.
bool alsaPortListed(unsigned capability, Direction direction);

}  // namespace midiio
