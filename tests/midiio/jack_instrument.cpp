#include "jack_instrument.h"

#include <jack/midiport.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace zamotest {

JackInstrument::JackInstrument(const std::string& clientName) : ring_(4 << 20) {
  jack_status_t status{};
  client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
  if (!client_) throw std::runtime_error("instrument: no JACK server");
  in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (!in_ || !out_) throw std::runtime_error("instrument: no ports");
  jack_set_process_callback(client_, &JackInstrument::process, this);
  jack_set_xrun_callback(client_, &JackInstrument::onXrun, this);
}

JackInstrument::~JackInstrument() {
  jack_deactivate(client_);
  jack_client_close(client_);
}

void JackInstrument::answer(std::string request, std::vector<std::string> events) {
  rules_.push_back({std::move(request), std::move(events)});
}

void JackInstrument::start() {
  if (jack_activate(client_) != 0) throw std::runtime_error("instrument: cannot activate");
}

std::string JackInstrument::inPort() const { return std::string(jack_get_client_name(client_)) + ":in"; }
std::string JackInstrument::outPort() const { return std::string(jack_get_client_name(client_)) + ":out"; }

void JackInstrument::send(const std::vector<std::string>& events) {
  for (const std::string& e : events) {
    const auto length = static_cast<std::uint32_t>(e.size());
    // Length and bytes in one write: the callback must never see a length
    // whose bytes are not there yet.
    std::string entry(sizeof length, '\0');
    std::memcpy(entry.data(), &length, sizeof length);
    entry += e;
    while (!ring_.write(entry.data(), entry.size())) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int JackInstrument::process(jack_nframes_t frames, void* arg) {
  auto* self = static_cast<JackInstrument*>(arg);
  if (const int every = self->pauseEvery_.load(); every > 0 && ++self->cycle_ % every == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(self->pauseMs_.load()));
  }
  void* out = jack_port_get_buffer(self->out_, frames);
  jack_midi_clear_buffer(out);
  jack_nframes_t offset = 0;
  if (const int rule = self->replying_.load(); rule >= 0) {
    for (const std::string& e : self->rules_[static_cast<std::size_t>(rule)].events) {
      if (auto* data = jack_midi_event_reserve(out, offset, e.size())) std::memcpy(data, e.data(), e.size());
    }
    self->replying_.store(-1);
  }
  std::uint32_t length;
  while (self->ring_.peek(&length, sizeof length)) {
    // A refused reserve counts as a lost event, which the receiver sees: ask first.
    if (length > jack_midi_max_event_size(out)) break;  // this cycle is full
    auto* data = jack_midi_event_reserve(out, offset, length);
    if (!data) break;
    self->ring_.peek(data, length, sizeof length);
    self->ring_.consume(sizeof length + length);
    if (offset + 1 < frames) ++offset;
  }
  void* in = jack_port_get_buffer(self->in_, frames);
  for (std::uint32_t i = 0, n = jack_midi_get_event_count(in); i < n; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, in, i) != 0) continue;
    self->requests_.fetch_add(1);
    for (std::size_t r = 0; r < self->rules_.size(); ++r) {
      const std::string& request = self->rules_[r].request;
      if (request.size() == event.size && std::memcmp(request.data(), event.buffer, event.size) == 0) {
        self->replying_.store(static_cast<int>(r));
      }
    }
  }
  return 0;
}

int JackInstrument::onXrun(void* arg) {
  static_cast<JackInstrument*>(arg)->xruns_.fetch_add(1);
  return 0;
}

}  // namespace zamotest
