#include "midiio/fake_backend.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "midiio/break_check.h"
#include "midiio/device_names.h"

namespace midiio {
namespace {

constexpr std::uint32_t kLongestPeriodMs = 1000000;

void appendToLog(const FakeMidiWorld& world, const std::string& line) {
  if (world.logPath.empty()) return;
  if (std::FILE* file = std::fopen(world.logPath.c_str(), "a")) {
    std::fputs(line.c_str(), file);
    std::fputc('\n', file);
    std::fclose(file);
  }
}

class FakeClock final : public Clock {
 public:
  explicit FakeClock(FakeMidiWorld& world) : world_(world) {}

  MidiStatus start(std::uint32_t periodMs) override {
    if (periodMs > kLongestPeriodMs) return {kMidiPeriodRefused, std::to_string(periodMs) + " ms"};
    periodMs_ = periodMs == 0 ? 8 : periodMs;
    startNs_ = world_.now;
    running_ = started_ = true;
    return {};
  }
  void stop() override {
    if (running_) frozen_ = count();
    running_ = false;
  }
  std::uint32_t now() const override {
    if (running_) return count();
    if (started_) return frozen_;
    return static_cast<std::uint32_t>(world_.now / kNanosPerMs);
  }
  MidiStatus waitUntil(std::uint32_t due, const WaitWatch&) override {
    if (breakRequested()) return {kMidiInterrupted, {}};
    const auto ahead = static_cast<std::int32_t>(due - now());
    if (ahead <= 0) return {};
    if (!running_) {
      if (started_) return {kMidiNotReady, "the clock is stopped"};
      world_.advance(static_cast<Nanos>(ahead) * kNanosPerMs);
      return {};
    }
    // The count moves in whole periods: wake at the first tick that reaches `due`.
    const Nanos period = static_cast<Nanos>(periodMs_) * kNanosPerMs;
    const std::int64_t ticks = (world_.now - startNs_) / period + (ahead + periodMs_ - 1) / periodMs_;
    world_.now = startNs_ + ticks * period;
    return {};
  }
  MidiStatus sleep(std::uint32_t ms, const WaitWatch&) override {
    if (breakRequested()) return {kMidiInterrupted, {}};
    world_.advance(static_cast<Nanos>(ms) * kNanosPerMs);
    return {};
  }
  Nanos stamp() const override {
    if (running_) return startNs_ + static_cast<Nanos>(count()) * kNanosPerMs;
    return world_.now;
  }

 private:
  std::uint32_t count() const {
    const Nanos period = static_cast<Nanos>(periodMs_) * kNanosPerMs;
    return static_cast<std::uint32_t>((world_.now - startNs_) / period * periodMs_);
  }

  FakeMidiWorld& world_;
  std::uint32_t periodMs_ = 8;
  Nanos startNs_ = 0;
  bool running_ = false;
  bool started_ = false;
  std::uint32_t frozen_ = 0;
};

class FakePort final : public OutputPort {
 public:
  FakePort(std::shared_ptr<FakeMidiWorld> world) : world_(std::move(world)) {}
  ~FakePort() override {
    ++world_->closes;
    appendToLog(*world_, "close");
  }
  std::size_t maxPiece() const override { return world_->maxPiece; }
  MidiStatus submit(const MidiEvent& event, Nanos stamp) override {
    if (refuses(++world_->handed)) return {kMidiNotReady, "the fake port takes no data"};
    FakeMessage message{stamp, event.kind, {event.bytes.begin(), event.bytes.end()}};
    appendToLog(*world_, fakeLogLine(message));
    world_->sent.push_back(std::move(message));
    return {};
  }
  MidiStatus drain(Nanos) override {
    if (world_->refuseForGood && refuses(world_->handed)) return {kMidiNotReady, "the fake port takes no data"};
    return {};
  }
  void discardPending() override {}

 private:
  bool refuses(std::size_t event) const {
    const std::size_t from = world_->refuseFrom;
    return from != 0 && (event == from || (world_->refuseForGood && event > from));
  }
  std::shared_ptr<FakeMidiWorld> world_;
};

std::vector<std::string> lines(const char* text) {
  std::vector<std::string> result;
  if (!text) return result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) result.push_back(line);
  }
  return result;
}

}  // namespace

void FakeMidiWorld::setDevices(const std::vector<std::string>& outputNames, const std::vector<std::string>& inputNames) {
  auto make = [](const std::vector<std::string>& names) {
    std::vector<Device> list;
    for (const std::string& name : names) {
      list.push_back({name, {static_cast<int>(list.size()), 0, name}, name.starts_with("Midi Through")});
    }
    return list;
  };
  devices.outputs = make(outputNames);
  devices.inputs = make(inputNames);
}

std::string fakeLogLine(const FakeMessage& message) {
  std::string line = std::to_string(message.time / kNanosPerMs);
  for (std::uint8_t b : message.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", b);
    line += hex;
  }
  return line;
}

FakeBackend::FakeBackend(std::shared_ptr<FakeMidiWorld> world)
    : world_(std::move(world)), clock_(std::make_unique<FakeClock>(*world_)) {}

std::unique_ptr<FakeBackend> FakeBackend::fromEnvironment() {
  auto world = std::make_shared<FakeMidiWorld>();
  world->setDevices(lines(std::getenv("ZAMO_FAKE_MIDI_OUTPUTS")), lines(std::getenv("ZAMO_FAKE_MIDI_INPUTS")));
  if (const char* log = std::getenv("ZAMO_FAKE_MIDI_LOG")) world->logPath = log;
  if (const char* arrivals = std::getenv("ZAMO_FAKE_MIDI_ARRIVALS")) world->arrivals = fakeArrivals(arrivals);
  if (const char* refuse = std::getenv("ZAMO_FAKE_MIDI_REFUSE")) {
    char* end = nullptr;
    world->refuseFrom = std::strtoul(refuse, &end, 10);
    world->refuseForGood = *end == '+';
  }
  return std::make_unique<FakeBackend>(std::move(world));
}

MidiStatus FakeBackend::listDevices(DeviceList& list) {
  list = world_->devices;
  return {};
}

MidiStatus FakeBackend::openOutput(const Device& device, std::unique_ptr<OutputPort>& port) {
  if (findDevice(world_->devices.outputs, device.name) < 0) return {kMidiNoSuchPort, device.name};
  world_->opened.push_back(device.name);
  appendToLog(*world_, "open " + device.name);
  port = std::make_unique<FakePort>(world_);
  return {};
}

Clock& FakeBackend::clock() { return *clock_; }

}  // namespace midiio
