// Counts what arrives at a JACK MIDI input port: events, bytes, and the span
// between the first and the last arrival. Prints one line when it is told to
// stop (SIGINT or SIGTERM): "events bytes span_ms".
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>

namespace {

jack_client_t* client;
jack_port_t* port;
std::atomic<std::uint64_t> events{0}, bytes{0}, firstUs{0}, lastUs{0};
volatile std::sig_atomic_t stop = 0;

int process(jack_nframes_t frames, void*) {
  void* buffer = jack_port_get_buffer(port, frames);
  const std::uint32_t n = jack_midi_get_event_count(buffer);
  if (n == 0) return 0;
  const jack_time_t now = jack_last_frame_time(client) ? jack_frames_to_time(client, jack_last_frame_time(client)) : 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) == 0) bytes += event.size;
  }
  if (events == 0) firstUs = now;
  lastUs = now;
  events += n;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  client = jack_client_open(argc > 1 ? argv[1] : "count", JackNoStartServer, nullptr);
  if (!client) return 1;
  port = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, process, nullptr);
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  if (jack_activate(client) != 0) return 1;
  while (!stop) pause();
  jack_deactivate(client);
  std::printf("%llu %llu %.1f\n", static_cast<unsigned long long>(events.load()),
              static_cast<unsigned long long>(bytes.load()), (lastUs - firstUs) / 1000.0);
  jack_client_close(client);
  return 0;
}
