#include "midiio/backend_choice.h"

#include <cstdlib>
#include <string>

#include "midiio/alsa_backend.h"
#include "midiio/fake_backend.h"
#include "midiio/jack_backend.h"

namespace midiio {
namespace {

constexpr const char* kHowToGetOne =
    "load the ALSA sequencer (modprobe snd-seq) or start a JACK server (for a try without hardware: "
    "jackd -d dummy), then run this again";

}  // namespace

MidiStatus connectBackend(std::string_view clientName, std::unique_ptr<Backend>& backend) {
  const char* forced = std::getenv("ZAMO_MIDI_API");
  const std::string api = forced ? forced : "";
  if (api == "alsa") return connectAlsa(clientName, backend);
  if (api == "jack") return connectJack(clientName, backend);
  if (api == "fake") {
    backend = FakeBackend::fromEnvironment();
    return {};
  }
  if (!api.empty()) return {kMidiGeneral, "ZAMO_MIDI_API is \"" + api + "\"; it takes alsa or jack"};
  if (alsaSequencerPresent() && connectAlsa(clientName, backend)) return {};
  if (connectJack(clientName, backend)) return {};
  return {kMidiNoSystem, kHowToGetOne};
}

}  // namespace midiio
