#pragma once
// JACK's side of an open input: a MIDI input port connected from the source,
// read in the process callback into the layer's queue (no lock, no
// allocation, no blocking call there).
#include <jack/jack.h>

#include <atomic>
#include <string>

#include "midiio/input_parser.h"
#include "midiio/input_queue.h"

namespace midiio {

class JackInput {
 public:
  JackInput(jack_client_t* client, jack_port_t* port, std::string source, InputQueue& queue)
      : client_(client), port_(port), source_(std::move(source)), queue_(queue) {}

  jack_port_t* port() const { return port_; }
  const std::string& source() const { return source_; }
  InputQueue& queue() { return queue_; }

  // Main thread: time stamps count from now.
  void start() { startUs_.store(jack_get_time(), std::memory_order_release); }
  void markGone() {
    gone_.store(true);
    if (!detached_.load()) queue_.interruptWait();
  }
  // The layer is about to free the queue: wake no one any more.
  void detach() { detached_.store(true); }
  bool gone() const { return gone_.load(); }

  // The process callback. A cycle that does not start where the last one
  // ended is a hole in the input, as an overflow is: JACK ran it again (its
  // events are dropped, they came before) or skipped some (theirs are gone);
  // so is a buffer that changed while it was read (a late sender's).
  void process(jack_nframes_t frames);

 private:
  jack_client_t* client_;
  jack_port_t* port_;
  std::string source_;
  InputQueue& queue_;
  InputParser parser_;  // process callback only
  jack_nframes_t nextStart_ = 0;  // process callback only: where the next cycle should start
  bool started_ = false;          // process callback only: nextStart_ is known
  std::atomic<jack_time_t> startUs_{0};
  std::atomic<bool> gone_{false};
  std::atomic<bool> detached_{false};
};

}  // namespace midiio
