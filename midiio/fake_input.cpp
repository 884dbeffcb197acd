// The fake's input: arrivals scheduled on virtual time, delivered through the
// same parser and queue as a real producer's, in the reader's own thread.
#include <sstream>

#include "midiio/device_names.h"
#include "midiio/fake_backend.h"
#include "midiio/input_parser.h"

namespace midiio {
namespace {

class FakeInputPort;
FakeInputPort* gOpenPort = nullptr;  // the world's producer while an input is open

class FakeInputPort final : public InputPort {
 public:
  FakeInputPort(std::shared_ptr<FakeMidiWorld> world, InputQueue& queue) : world_(std::move(world)), queue_(queue) {
    world_->inputQueue = &queue_;
    gOpenPort = this;
  }
  ~FakeInputPort() override {
    world_->inputQueue = nullptr;
    gOpenPort = nullptr;
  }
  MidiStatus start() override {
    startNs_ = world_->now;
    next_ = 0;
    parser_.reset();
    return {};
  }
  void stop() override {}
  MidiStatus await(std::uint32_t ms) override {
    if (world_->inputGone) return {kMidiNoSuchPort, "the MIDI input went away"};
    if (deliverDue()) return {};  // the producer would have woken us at once
    Nanos until = world_->now + static_cast<Nanos>(ms) * kNanosPerMs;
    if (queue_.recording() && next_ < world_->arrivals.size()) until = std::min(until, due(world_->arrivals[next_]));
    world_->now = std::max(world_->now, until);
    deliverDue();
    return {};
  }
  void deliver(const std::vector<std::uint8_t>& bytes) {
    if (!queue_.recording()) return;
    parser_.feed(bytes, static_cast<std::uint32_t>((world_->now - startNs_) / kNanosPerMs), queue_);
  }

 private:
  Nanos due(const FakeArrival& a) const { return startNs_ + static_cast<Nanos>(a.afterStartMs) * kNanosPerMs; }
  bool deliverDue() {
    bool any = false;
    while (queue_.recording() && next_ < world_->arrivals.size() && due(world_->arrivals[next_]) <= world_->now) {
      const FakeArrival& a = world_->arrivals[next_++];
      if (a.gone) world_->inputGone = true;
      deliver(a.bytes);
      any = true;
    }
    return any;
  }

  std::shared_ptr<FakeMidiWorld> world_;
  InputQueue& queue_;
  InputParser parser_;
  Nanos startNs_ = 0;
  std::size_t next_ = 0;
};

}  // namespace

void FakeMidiWorld::arrive(const std::vector<std::uint8_t>& bytes) {
  if (gOpenPort) gOpenPort->deliver(bytes);
}

std::vector<FakeArrival> fakeArrivals(const std::string& text) {
  std::vector<FakeArrival> result;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    FakeArrival arrival{};
    if (!(fields >> arrival.afterStartMs)) continue;
    arrival.gone = line.ends_with(" gone");
    for (unsigned value; fields >> std::hex >> value;) arrival.bytes.push_back(static_cast<std::uint8_t>(value));
    result.push_back(std::move(arrival));
  }
  return result;
}

MidiStatus FakeBackend::openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) {
  if (findDevice(world_->devices.inputs, device.name) < 0) return {kMidiNoSuchPort, device.name};
  world_->inputsOpened.push_back(device.name);
  port = std::make_unique<FakeInputPort>(world_, queue);
  return {};
}

}  // namespace midiio
