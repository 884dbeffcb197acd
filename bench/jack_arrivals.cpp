// Records when each MIDI event arrives at a JACK input port. When told to
// stop (SIGINT or SIGTERM) it prints one line per event, the JACK time of its
// frame in microseconds, then "# xruns N" for the late cycles it saw.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

jack_client_t* client;
jack_port_t* port;
std::vector<jack_time_t> arrivals(1 << 20);  // allocated before the process thread runs
std::atomic<std::size_t> count{0};
std::atomic<int> xruns{0};
volatile std::sig_atomic_t stop = 0;

int process(jack_nframes_t frames, void*) {
  void* buffer = jack_port_get_buffer(port, frames);
  const std::uint32_t n = jack_midi_get_event_count(buffer);
  const jack_nframes_t cycleStart = jack_last_frame_time(client);
  std::size_t at = count.load(std::memory_order_relaxed);
  for (std::uint32_t i = 0; i < n && at < arrivals.size(); ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) == 0) arrivals[at++] = jack_frames_to_time(client, cycleStart + event.time);
  }
  count.store(at, std::memory_order_release);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  client = jack_client_open(argc > 1 ? argv[1] : "arrivals", JackNoStartServer, nullptr);
  if (!client) return 1;
  port = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(client, process, nullptr);
  jack_set_xrun_callback(client, [](void*) { ++xruns; return 0; }, nullptr);
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  if (jack_activate(client) != 0) return 1;
  while (!stop) pause();
  jack_deactivate(client);
  const std::size_t n = count.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < n; ++i) std::printf("%llu\n", static_cast<unsigned long long>(arrivals[i]));
  std::printf("# xruns %d\n", xruns.load());
  jack_client_close(client);
  return 0;
}
