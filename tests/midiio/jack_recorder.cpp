#include "jack_recorder.h"

#include <jack/midiport.h>

#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace zamotest {

JackRecorder::JackRecorder(const std::string& clientName, std::size_t byteCapacity)
    : data_(new char[byteCapacity]), capacity_(byteCapacity), slots_(200000) {
  jack_status_t status{};
  client_ = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
  if (!client_) throw std::runtime_error("recorder: no JACK server");
  port_.store(jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0));
  jack_set_process_callback(client_, &JackRecorder::process, this);
  jack_set_xrun_callback(client_, &JackRecorder::onXrun, this);
  if (!port_.load() || jack_activate(client_) != 0) throw std::runtime_error("recorder: cannot activate");
}

JackRecorder::~JackRecorder() {
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackRecorder::portName() const { return std::string(jack_get_client_name(client_)) + ":in"; }

void JackRecorder::removePort() {
  jack_port_t* port = port_.exchange(nullptr);
  jack_deactivate(client_);
  jack_port_unregister(client_, port);
  jack_activate(client_);
}

void JackRecorder::clear() {
  clearWanted_.store(true, std::memory_order_release);
  for (int i = 0; i < 2000 && clearWanted_.load(std::memory_order_acquire); ++i) usleep(1000);
  if (clearWanted_.load()) throw std::runtime_error("recorder: its callback does not run");
}

int JackRecorder::process(jack_nframes_t frames, void* arg) {
  auto* self = static_cast<JackRecorder*>(arg);
  if (self->clearWanted_.load(std::memory_order_acquire)) {
    self->used_ = 0;
    self->count_.store(0, std::memory_order_release);
    self->lost_.store(0);
    self->clearWanted_.store(false, std::memory_order_release);
  }
  jack_port_t* port = self->port_.load();
  if (!port) return 0;
  void* buffer = jack_port_get_buffer(port, frames);
  jack_nframes_t cycleStart;
  jack_time_t startUs, nextUs;
  float periodUs;
  jack_get_cycle_times(self->client_, &cycleStart, &startUs, &nextUs, &periodUs);
  const std::uint32_t n = jack_midi_get_event_count(buffer);
  std::size_t count = self->count_.load(std::memory_order_relaxed);
  for (std::uint32_t i = 0; i < n; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0) continue;
    if (count == self->slots_.size() || self->used_ + event.size > self->capacity_) {
      self->overflow_.store(true);
      break;
    }
    std::memcpy(self->data_.get() + self->used_, event.buffer, event.size);
    const double usec = static_cast<double>(startUs) + static_cast<double>(event.time) *
                                                           static_cast<double>(nextUs - startUs) / frames;
    self->slots_[count++] = {static_cast<std::uint64_t>(cycleStart) + event.time, usec, self->used_, event.size};
    self->used_ += event.size;
  }
  self->lost_.fetch_add(jack_midi_get_lost_event_count(buffer));
  self->count_.store(count, std::memory_order_release);
  return 0;
}

int JackRecorder::onXrun(void* arg) {
  static_cast<JackRecorder*>(arg)->xruns_.fetch_add(1);
  return 0;
}

std::vector<JackRecorder::Event> JackRecorder::events() const {
  if (overflow_.load()) throw std::runtime_error("recorder: more arrived than it can hold");
  const std::size_t count = count_.load(std::memory_order_acquire);
  std::vector<Event> result;
  for (std::size_t i = 0; i < count; ++i) {
    const Slot& s = slots_[i];
    result.push_back({s.frame, s.usec, std::string(data_.get() + s.offset, s.length)});
  }
  return result;
}

}  // namespace zamotest
