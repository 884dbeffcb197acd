#include "midiio/alsa_events.h"


namespace midiio {
namespace {

constexpr long kCoderBuffer = 16;  // short messages only: SysEx never goes through the coder

}  // namespace

AlsaEventCoder::AlsaEventCoder() {
  snd_midi_event_new(kCoderBuffer, &coder_);
  snd_midi_event_no_status(coder_, 1);
}

AlsaEventCoder::~AlsaEventCoder() {
  if (coder_) snd_midi_event_free(coder_);
}

bool AlsaEventCoder::encode(const MidiEvent& event, snd_seq_event_t& out) {
  snd_seq_ev_clear(&out);
  if (event.kind == EventKind::sysexData) {
    snd_seq_ev_set_sysex(&out, static_cast<unsigned>(event.bytes.size()), const_cast<std::uint8_t*>(event.bytes.data()));
    return !event.bytes.empty();
  }
  if (!coder_) return false;
  snd_midi_event_reset_encode(coder_);
  const long used = snd_midi_event_encode(coder_, event.bytes.data(), static_cast<long>(event.bytes.size()), &out);
  return used == static_cast<long>(event.bytes.size()) && out.type != SND_SEQ_EVENT_NONE;
}

std::vector<std::uint8_t> AlsaEventCoder::decode(const snd_seq_event_t& event) {
  if (event.type == SND_SEQ_EVENT_SYSEX) {
    const auto* bytes = static_cast<const std::uint8_t*>(event.data.ext.ptr);
    return {bytes, bytes + event.data.ext.len};
  }
  std::vector<std::uint8_t> bytes(kCoderBuffer);
  if (!coder_) return {};
  snd_midi_event_reset_decode(coder_);
  const long n = snd_midi_event_decode(coder_, bytes.data(), kCoderBuffer, &event);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

std::string alsaDeviceName(std::string_view client, std::string_view port) {
  std::string name(client);
  name += ':';
  name += port;
  return name;
}

bool alsaPortListed(unsigned capability, Direction direction) {
  if (capability & SND_SEQ_PORT_CAP_NO_EXPORT) return false;
  const unsigned wanted = direction == Direction::output ? (SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE)
                                                         : (SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
  return (capability & wanted) == wanted;
}

}  // namespace midiio
