#pragma once
// An in-process MIDI system for tests: device lists the test sets, every
// message recorded with its virtual time, and a virtual clock that moves only
// when someone waits, sleeps or advances it, so timing rules hold exactly.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midiio/backend.h"

namespace midiio {

struct FakeMessage {
  Nanos time;  // the message's stamp
  EventKind kind;
  std::vector<std::uint8_t> bytes;
};

class InputQueue;

// Bytes that reach the open fake input `afterStartMs` after it started, as one event.
struct FakeArrival {
  std::uint32_t afterStartMs;
  std::vector<std::uint8_t> bytes;
  bool gone = false;  // instead of bytes: the input goes away
};

// What the fake system saw; shared by the test and the backend.
struct FakeMidiWorld {
  DeviceList devices;
  std::vector<FakeMessage> sent;
  std::vector<std::string> opened;  // names of the ports opened, in order
  int closes = 0;
  Nanos now = 0;                     // virtual CLOCK_MONOTONIC
  std::size_t maxPiece = 1 << 20;
  std::string logPath;               // when set, each message is also written there as text
  std::vector<FakeArrival> arrivals; // in time order; delivered while the input records
  bool inputGone = false;            // the input device went away
  InputQueue* inputQueue = nullptr;  // while an input is open
  std::vector<std::string> inputsOpened;
  // The output refuses the event it is handed as number refuseFrom (from 1),
  // with every later event and drain too when refuseForGood.
  std::size_t refuseFrom = 0;
  bool refuseForGood = false;
  std::size_t handed = 0;  // events handed to the output

  // Delivers one event to the open input now.
  void arrive(const std::vector<std::uint8_t>& bytes);

  void advance(Nanos by) { now += by; }
  // Devices from names; a name starting "Midi Through" is a loopback as on ALSA.
  void setDevices(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);
};

class FakeBackend final : public Backend {
 public:
  explicit FakeBackend(std::shared_ptr<FakeMidiWorld> world);
  // A world from ZAMO_FAKE_MIDI_OUTPUTS, ZAMO_FAKE_MIDI_INPUTS (names, one a
  // line), ZAMO_FAKE_MIDI_LOG (a file that receives one line per message) and
  // ZAMO_FAKE_MIDI_ARRIVALS (what reaches the input: "<ms> <hex bytes>" lines,
  // or "<ms> gone" when the input goes away) and ZAMO_FAKE_MIDI_REFUSE ("n":
  // the output refuses its n-th event; "n+": that one and all after it).
  static std::unique_ptr<FakeBackend> fromEnvironment();

  const char* systemName() const override { return "fake"; }
  MidiStatus listDevices(DeviceList& list) override;
  MidiStatus openOutput(const Device& device, std::unique_ptr<OutputPort>& port) override;
  Clock& clock() override;
  MidiStatus openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) override;

 private:
  std::shared_ptr<FakeMidiWorld> world_;
  std::unique_ptr<Clock> clock_;
};

// Arrivals from text, one a line: "<ms after start> <hex bytes>".
std::vector<FakeArrival> fakeArrivals(const std::string& text);

// One line of the fake's log: "<ms> <hex bytes>".
std::string fakeLogLine(const FakeMessage& message);

}  // namespace midiio
