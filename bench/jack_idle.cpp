// The floor of a JACK sender: a client with one MIDI output port, connected
// to the given port, that clears its buffer every cycle and sends nothing.
// Whatever a player costs above this client is its own work; below it no
// JACK sender can go. Runs until SIGINT or SIGTERM.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <csignal>

namespace {

jack_port_t* port;
volatile std::sig_atomic_t stop = 0;

int process(jack_nframes_t frames, void*) {
  jack_midi_clear_buffer(jack_port_get_buffer(port, frames));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;  // jack_idle CLIENT-NAME DESTINATION-PORT
  jack_client_t* client = jack_client_open(argv[1], JackNoStartServer, nullptr);
  if (!client) return 1;
  port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  jack_set_process_callback(client, process, nullptr);
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  if (!port || jack_activate(client) != 0) return 1;
  if (jack_connect(client, jack_port_name(port), argv[2]) != 0) return 1;
  while (!stop) pause();
  jack_deactivate(client);
  jack_client_close(client);
  return 0;
}
