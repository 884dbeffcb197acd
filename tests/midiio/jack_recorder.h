#pragma once
// A test-only JACK client with one MIDI input port that records every event
// with its frame time, without allocating in its process callback (which owns
// the record: the test reads what it published, and asks it to forget).
#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zamotest {

class JackRecorder {
 public:
  struct Event {
    std::uint64_t frame;  // absolute frame time
    double usec;          // JACK microseconds of that frame
    std::string bytes;
  };

  explicit JackRecorder(const std::string& clientName, std::size_t byteCapacity = 4 << 20);
  ~JackRecorder();
  JackRecorder(const JackRecorder&) = delete;
  JackRecorder& operator=(const JackRecorder&) = delete;

  std::string portName() const;
  // Unregisters the port, as an unplugged device would vanish.
  void removePort();
  std::vector<Event> events() const;
  std::size_t eventCount() const { return count_.load(std::memory_order_acquire); }
  int xruns() const { return xruns_.load(); }
  // Events that JACK says a sender lost on the way here (refused reservations).
  std::uint64_t lostEvents() const { return lost_.load(); }
  // Forgets what was recorded: the callback does it in its next cycle.
  void clear();

 private:
  struct Slot {
    std::uint64_t frame;
    double usec;
    std::size_t offset;
    std::size_t length;
  };
  static int process(jack_nframes_t frames, void* arg);
  static int onXrun(void* arg);

  jack_client_t* client_ = nullptr;
  std::atomic<jack_port_t*> port_{nullptr};  // the callback reads it while the test removes it
  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t used_ = 0;  // process thread only
  std::vector<Slot> slots_;
  std::atomic<std::size_t> count_{0};
  std::atomic<int> xruns_{0};
  std::atomic<bool> overflow_{false};
  std::atomic<std::uint64_t> lost_{0};
  std::atomic<bool> clearWanted_{false};
};

}  // namespace zamotest
