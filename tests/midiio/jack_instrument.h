#pragma once
// A test-only JACK client that plays an instrument: it answers requests that
// arrive at its input with dumps from its output, and sends whatever the test
// hands it as fast as JACK cycles take it. Its process callback neither
// allocates nor locks.
#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "midiio/byte_ring.h"

namespace zamotest {

class JackInstrument {
 public:
  explicit JackInstrument(const std::string& clientName);
  ~JackInstrument();
  JackInstrument(const JackInstrument&) = delete;
  JackInstrument& operator=(const JackInstrument&) = delete;

  // Before start(): when `request` arrives as one event, send `events`, each
  // as one JACK event, in the cycle after.
  void answer(std::string request, std::vector<std::string> events);
  void start();

  std::string inPort() const;   // where requests go (-E)
  std::string outPort() const;  // where dumps come from (-I)
  // Sends each event as one JACK event, in order; returns once all are queued.
  void send(const std::vector<std::string>& events);
  // Nothing handed over is still waiting to go out.
  bool idle() const { return ring_.readSpace() == 0 && replying_.load() < 0; }
  std::size_t requestsSeen() const { return requests_.load(); }
  // From now on every `everyCycles`-th process call sleeps `ms` (0: none).
  void pauseInCallback(int everyCycles, int ms) { pauseMs_.store(ms), pauseEvery_.store(everyCycles); }
  int xruns() const { return xruns_.load(); }

 private:
  struct Rule {
    std::string request;
    std::vector<std::string> events;
  };
  static int process(jack_nframes_t frames, void* arg);
  static int onXrun(void* arg);

  jack_client_t* client_;
  jack_port_t* in_;
  jack_port_t* out_;
  std::vector<Rule> rules_;  // fixed once started
  midiio::ByteRing ring_;    // length-prefixed events from send()
  std::atomic<int> replying_{-1};  // the rule whose answer goes out next cycle
  std::atomic<std::size_t> requests_{0};
  std::atomic<int> xruns_{0};
  std::atomic<int> pauseEvery_{0}, pauseMs_{0};
  int cycle_ = 0;  // process thread only
};

}  // namespace zamotest
