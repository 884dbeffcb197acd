#pragma once
// What a MIDI system (ALSA sequencer, JACK, the in-process fake) gives the
// layer: one snapshot of its ports, an output opened on one of them, and a
// clock.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "midiio/error.h"
#include "midiio/message.h"

namespace midiio {

// Nanoseconds on CLOCK_MONOTONIC (the fake's are virtual).
using Nanos = std::int64_t;
inline constexpr Nanos kNanosPerMs = 1000000;

enum class Direction { output, input };

// Where a port lives, as its system addresses it.
struct PortAddress {
  int client = -1;       // ALSA client and port numbers
  int port = -1;
  std::string fullName;  // JACK's full port name
};

struct Device {
  std::string name;      // what the user types and navlin prints
  PortAddress address;
  bool loopback = false; // a silent loopback ("Midi Through"): not a default choice
};

// Both directions, snapshotted once per process.
struct DeviceList {
  std::vector<Device> outputs;
  std::vector<Device> inputs;
  const std::vector<Device>& of(Direction d) const { return d == Direction::output ? outputs : inputs; }
};

// Asked by a wait that something woke early (its system has news): a fault
// ends the wait with it.
using WaitWatch = std::function<MidiStatus()>;

// The layer's millisecond clock: a period timer that counts in whole periods.
class Clock {
 public:
  virtual ~Clock() = default;
  // Refuses (kMidiPeriodRefused) only periods above 1,000,000 ms; 0 means 8.
  virtual MidiStatus start(std::uint32_t periodMs) = 0;
  // Joins the timer; the count stays frozen until the next start.
  virtual void stop() = 0;
  // The count while started (or frozen), else the system's milliseconds cut to 32 bits.
  virtual std::uint32_t now() const = 0;
  // Waits until now() reaches `due` (wrap-safe); gives kMidiInterrupted at
  // once when the user breaks, and what `watch` (when set) gives when it
  // fails after an early wake-up. Sleeps through otherwise.
  virtual MidiStatus waitUntil(std::uint32_t due, const WaitWatch& watch) = 0;
  // Sleeps `ms` milliseconds (pauses between messages), ended early as
  // waitUntil is (kMidiInterrupted for a break). It never ends the run.
  virtual MidiStatus sleep(std::uint32_t ms, const WaitWatch& watch) = 0;
  // The time stamp of a message sent now: the ideal time of the current tick
  // while the clock runs, else the moment itself.
  virtual Nanos stamp() const = 0;
};

// One open output port. Sends are events already split by LongMessageSplitter.
class OutputPort {
 public:
  virtual ~OutputPort() = default;  // disconnects and closes
  // The largest SysEx piece the system takes in one event.
  virtual std::size_t maxPiece() const = 0;
  // Hands one event over; may wait for room (bounded, breakable).
  virtual MidiStatus submit(const MidiEvent& event, Nanos stamp) = 0;
  // Waits until everything submitted has left, at most `limit`.
  virtual MidiStatus drain(Nanos limit) = 0;
  // Throws away what was submitted and has not left yet.
  virtual void discardPending() = 0;
  // A fault once the system takes nothing more: it left, or the target went away.
  virtual MidiStatus health() const { return {}; }
  // Whether the system runs at all just now (a stopped server does not): a
  // close then waits for nothing to leave.
  virtual bool stalled() const { return false; }
};

class InputQueue;

// One open input port feeding an InputQueue; connected at open. The producer
// throws away what arrives until the queue records.
class InputPort {
 public:
  virtual ~InputPort() = default;  // the producer has stopped for good when it returns
  // Time stamps count from here.
  virtual MidiStatus start() = 0;
  virtual void stop() = 0;
  // Waits up to `ms` for the producer's wake-up; fails when the device went away.
  virtual MidiStatus await(std::uint32_t ms) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* systemName() const = 0;  // "ALSA", "JACK", "fake"
  virtual MidiStatus listDevices(DeviceList& list) = 0;
  virtual MidiStatus openOutput(const Device& device, std::unique_ptr<OutputPort>& port) = 0;
  virtual Clock& clock() = 0;
  // Ends the connection; a system that answers nothing is given up instead
  // of waited for. Then abandoned() tells whether the object may go: the
  // threads of a system given up may still call into it.
  virtual void close() {}
  virtual bool abandoned() const { return false; }
  virtual MidiStatus openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) {
    (void)queue;
    (void)port;
    return {kMidiGeneral, std::string("the ") + systemName() + " backend cannot receive from " + device.name};
  }
};

}  // namespace midiio
