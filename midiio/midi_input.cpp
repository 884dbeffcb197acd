#include "midiio/midi_input.h"

#include <memory>
#include <string>

#include "midiio/break_check.h"
#include "midiio/device_names.h"
#include "midiio/midi_layer.h"

namespace midiio {
namespace {

// The open input; the port goes first so that the producer has stopped
// before the pools go.
struct Input final : ChunkSource {
  std::unique_ptr<InputQueue> queue;
  std::unique_ptr<InputPort> port;
  SysExAssembly assembly;
  bool recording = false;
  const InputWatch* watch = nullptr;  // during a watched receiveSysEx

  bool read(InputEvent& event) override {
    if (!queue->read(event)) return false;
    if (watch) (*watch)(event);
    return true;
  }
  std::uint32_t now() override { return clockNow(); }
  bool shortMessagesCount() override { return watch != nullptr; }
  bool lostAfterLastChunk() override { return queue->lostAfterLastChunk(); }
  MidiStatus await(std::uint32_t ms) override {
    if (breakRequested()) return {kMidiInterrupted, {}};
    MidiStatus status = port->await(ms);
    if (status && breakRequested()) return {kMidiInterrupted, {}};
    return status;
  }
  void close() {
    port.reset();
    queue.reset();
    assembly.clear();
    recording = false;
  }
};

// Never destroyed: the layer closes it from its own destructor at exit.
Input& input() {
  static Input* state = new Input;
  return *state;
}

vorn::Fault notOpen() { return midiFault(midiErrorCode(kMidiGeneral), "the MIDI input is not open"); }

Reception ended(Received how, const MidiStatus& status) {
  if (how != Received::failed && how != Received::sourceLeft) return {how, {}, {}};
  return {how, midiFault(status.code(), status.detail()), status.detail()};
}

Reception failedNotOpen() { return {Received::failed, notOpen(), "the MIDI input is not open"}; }

}  // namespace

vorn::Status openMidiInput(int index, std::size_t nodeCount, std::size_t blockCount, std::uint32_t mode) {
  const DeviceList* devices = nullptr;
  if (vorn::Status listed = midiDevices(devices); !listed) return listed;
  Backend& backend = *midiBackend();
  closeMidiInput();
  const std::vector<Device>& inputs = devices->inputs;
  if (index == kDefaultDevice) index = defaultDevice(inputs);
  if (index < 0) {
    return midiFault(midiErrorCode(kMidiNoDevice), std::string("the ") + backend.systemName() +
                                                           " system has no MIDI input port; connect a device, then "
                                                           "name it with -I or ZAMO_MIDI_IN");
  }
  if (static_cast<std::size_t>(index) >= inputs.size()) {
    return midiFault(midiErrorCode(kMidiNoSuchPort), "MIDI input " + std::to_string(index));
  }
  Input& state = input();
  state.queue = std::make_unique<InputQueue>(nodeCount, blockCount, mode);
  if (MidiStatus status = backend.openInput(inputs[static_cast<std::size_t>(index)], *state.queue, state.port);
      !status) {
    state.close();
    return midiFault(status.code(), status.detail());
  }
  return {};
}

vorn::Status startMidiInput() {
  Input& state = input();
  if (!state.port) return notOpen();
  state.queue->flush();
  if (MidiStatus status = state.port->start(); !status) return midiFault(status.code(), status.detail());
  state.queue->setRecording(true);
  state.recording = true;
  return {};
}

void stopMidiInput() {
  Input& state = input();
  if (!state.port) return;
  state.queue->setRecording(false);
  state.port->stop();
  state.recording = false;
  flushInputQueue();
}

void closeMidiInput() {
  Input& state = input();
  if (state.port && state.recording) stopMidiInput();
  state.close();
}

bool readInputEvent(InputEvent& event) {
  Input& state = input();
  return state.queue && state.queue->read(event);
}

void flushInputQueue() {
  Input& state = input();
  if (state.queue) state.queue->flush();
  state.assembly.clear();
}

bool inputOverflow() {
  Input& state = input();
  return state.queue && state.queue->overflow();
}

Reception waitSysExChunk(std::uint32_t timeoutMs) {
  Input& state = input();
  if (!state.port) return failedNotOpen();
  MidiStatus status;
  return ended(state.assembly.waitSysExChunk(state, timeoutMs, status), status);
}

Reception nextSysExChunk(std::uint32_t timeoutMs) {
  Input& state = input();
  if (!state.port) return failedNotOpen();
  MidiStatus status;
  return ended(state.assembly.nextSysExChunk(state, timeoutMs, status), status);
}

const InputEvent& lastSysExChunk() { return input().assembly.lastChunk(); }

const SysExCut& lastSysExCut() { return input().assembly.lastCut(); }

Reception receiveSysEx(std::uint32_t timeoutMs, const SysExSink& sink) {
  Input& state = input();
  if (!state.port) return failedNotOpen();
  MidiStatus status;
  return ended(state.assembly.receiveSysEx(state, timeoutMs, sink, status), status);
}

Reception receiveSysEx(std::uint32_t timeoutMs, const SysExSink& sink, const InputWatch& watch) {
  Input& state = input();
  state.watch = &watch;
  Reception r = receiveSysEx(timeoutMs, sink);
  state.watch = nullptr;
  return r;
}

InputLoss inputLoss() {
  Input& state = input();
  return state.queue ? state.queue->loss() : InputLoss{};
}

}  // namespace midiio
