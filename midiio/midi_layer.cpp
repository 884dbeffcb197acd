#include "midiio/midi_layer.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "midiio/backend_choice.h"
#include "midiio/device_names.h"
#include "midiio/midi_input.h"
#include "midiio/output.h"
#include "midiio/port_words.h"
#include "midiio/system_clock.h"
#include "vornlib/breaks.h"
#include "vornlib/run_args.h"
#include "vornlib/errors.h"

namespace midiio {
namespace {

constexpr std::size_t kEnvironmentValueLimit = 260;

// Connections given up because their system answered nothing: kept, never
// destroyed, for the threads that may still call into them.
std::vector<Backend*>* gAbandoned = nullptr;

void dropBackend(std::unique_ptr<Backend>& backend) {
  if (!backend) return;
  backend->close();
  if (!backend->abandoned()) return backend.reset();
  if (!gAbandoned) gAbandoned = new std::vector<Backend*>;
  gAbandoned->push_back(backend.release());
}

struct Layer {
  std::unique_ptr<Backend> backend;
  bool listed = false;
  DeviceList devices;
  std::unique_ptr<MidiOutput> output;
  vorn::Fault connectFault;  // why connected() gave null

  // Every way out of the process closes the output, so no note is left sounding.
  ~Layer() {
    closeAll();
    dropBackend(backend);
  }

  void closeAll() {
    closeMidiInput();
    if (output) output->close(vorn::breakPending());
    output.reset();
    if (backend) backend->clock().stop();
    systemClock().stop();
  }
};

Layer& layer() {
  systemClock();  // made first, so it is still there when the layer closes at exit
  static Layer state;
  return state;
}

vorn::Fault fail(const MidiStatus& status) { return midiFault(status.code(), status.detail()); }

// A wait that Ctrl-C ended fails as kMidiInterrupted, which is the break's
// fault: the tool ends the run as a break (the break hook closes the output).
vorn::Status checked(const MidiStatus& status) {
  if (status) return {};
  return fail(status);
}

void registerTexts() { vorn::setMidiErrorText(midiErrorText); }

// The connection, made and its devices listed at the first call; null,
// with the fault in connectFault, when there is no MIDI system to connect to.
Backend* connected() {
  Layer& state = layer();
  if (!state.backend) {
    registerTexts();
    if (MidiStatus status = connectBackend(vorn::toolName(), state.backend); !status) {
      state.backend.reset();
      state.connectFault = fail(status);
      return nullptr;
    }
  }
  if (!state.listed) {
    if (MidiStatus status = state.backend->listDevices(state.devices); !status) {
      state.connectFault = fail(status);
      return nullptr;
    }
    state.listed = true;
  }
  return state.backend.get();
}

Clock& clock() {
  Layer& state = layer();
  if (!state.backend) {
    const char* api = std::getenv("ZAMO_MIDI_API");
    if (api && std::strcmp(api, "fake") == 0) {
      if (Backend* fake = connected()) return fake->clock();
    }
    return systemClock();
  }
  return state.backend->clock();
}

vorn::Status findIn(Direction direction, std::string_view name, int& index) {
  if (!connected()) return layer().connectFault;
  const int found = findDevice(layer().devices.of(direction), name);
  if (found < 0) return midiFault(vorn::kErrNoSuchDevice, std::string(name));
  index = found;
  return {};
}

vorn::Status chooseFromEnvironment(Direction direction, int& index) {
  const char* variable = deviceVariable(direction);
  std::string value;
  if (vorn::Status named = deviceNameFromEnvironment(direction, value); !named) {
    return midiFault(named.fault().code, named.fault().text);
  }
  if (value.empty()) return {};
  vorn::Status found = findIn(direction, value, index);
  if (found || found.fault().code != vorn::kErrNoSuchDevice) return found;
  std::string ports;
  if (vorn::Status listed = existingPortsText(direction, ports); !listed) return listed;
  return midiFault(vorn::kErrNoSuchDevice, std::string(variable) + "=" + value + "; " + ports);
}

}  // namespace

const char* deviceVariable(Direction direction) {
  return direction == Direction::output ? "ZAMO_MIDI_OUT" : "ZAMO_MIDI_IN";
}

vorn::Status deviceNameFromEnvironment(Direction direction, std::string& name) {
  name.clear();
  const char* value = std::getenv(deviceVariable(direction));
  if (!value || !*value) return {};  // set but empty counts as not set
  if (std::strlen(value) >= kEnvironmentValueLimit) {
    return vorn::Fault{deviceVariable(direction), std::nullopt, vorn::kErrEnvTooLong};
  }
  name = value;
  return {};
}

vorn::Status findMidiOutput(std::string_view name, int& index) { return findIn(Direction::output, name, index); }
vorn::Status findMidiInput(std::string_view name, int& index) { return findIn(Direction::input, name, index); }

vorn::Status chooseMidiOutputFromEnvironment(int& index) { return chooseFromEnvironment(Direction::output, index); }
vorn::Status chooseMidiInputFromEnvironment(int& index) { return chooseFromEnvironment(Direction::input, index); }

vorn::Status midiDevices(const DeviceList*& devices) {
  devices = nullptr;
  if (!connected()) return layer().connectFault;
  devices = &layer().devices;
  return {};
}

vorn::Status openMidiOutput(int index) {
  Backend* connection = connected();
  if (!connection) return layer().connectFault;
  Backend& backend = *connection;
  Layer& state = layer();
  if (state.output) state.output->close(false);
  state.output.reset();
  const std::vector<Device>& outputs = state.devices.outputs;
  if (index == kDefaultDevice) index = defaultDevice(outputs);
  if (index < 0) {
    return midiFault(midiErrorCode(kMidiNoDevice), std::string("the ") + backend.systemName() +
                                                  " system has no MIDI output port; connect a device or start "
                                                  "a synthesizer, then name it with -E or ZAMO_MIDI_OUT");
  }
  if (static_cast<std::size_t>(index) >= outputs.size()) {
    return midiFault(midiErrorCode(kMidiNoSuchPort), "MIDI output " + std::to_string(index));
  }
  std::unique_ptr<OutputPort> port;
  if (MidiStatus status = backend.openOutput(outputs[static_cast<std::size_t>(index)], port); !status) {
    return checked(status);  // also Ctrl-C while the server did not answer
  }
  state.output = std::make_unique<MidiOutput>(std::move(port), backend.clock());
  return {};
}

vorn::Status sendShortMessage(std::uint32_t packed) {
  Layer& state = layer();
  if (!state.output) return midiFault(midiErrorCode(kMidiGeneral), "the MIDI output is not open");
  return checked(state.output->sendShort(packed));
}

vorn::Status sendLongMessage(std::span<const std::uint8_t> bytes) {
  Layer& state = layer();
  if (!state.output) return midiFault(midiErrorCode(kMidiGeneral), "the MIDI output is not open");
  return checked(state.output->sendLong(bytes));
}

void closeMidiOutput() {
  Layer& state = layer();
  if (state.output) state.output->close(vorn::breakPending());
  state.output.reset();
}

vorn::Status startClock(std::uint32_t periodMs) {
  Clock& c = clock();
  c.stop();
  return checked(c.start(periodMs));
}

void stopClock() { clock().stop(); }

std::uint32_t clockNow() { return clock().now(); }

namespace {

// A wait woken early asks the open output whether its system is still there.
MidiStatus outputHealth() {
  const Layer& state = layer();
  return state.output ? state.output->health() : MidiStatus{};
}

}  // namespace

vorn::Status waitForClock(std::uint32_t due) { return checked(clock().waitUntil(due, outputHealth)); }

vorn::Status pauseMs(std::uint32_t ms) { return checked(clock().sleep(ms, outputHealth)); }

vorn::Fault midiFault(std::uint32_t code, const std::string& detail) {
  registerTexts();
  std::string text = vorn::errorText(code == 0 ? midiErrorCode(kMidiGeneral) : code);
  if (!detail.empty()) text += ": " + detail;
  // A wait Ctrl-C ended is the break, for the tool to end the run as one.
  const std::uint32_t faultCode = code == midiErrorCode(kMidiInterrupted) ? vorn::kErrInterrupted : code;
  return vorn::Fault{text, std::nullopt, faultCode};
}

Backend* midiBackend() { return connected(); }

void useMidiBackend(std::unique_ptr<Backend> backend) {
  resetMidiLayer();
  layer().backend = std::move(backend);
}

void resetMidiLayer() {
  Layer& state = layer();
  state.closeAll();
  dropBackend(state.backend);
  state.listed = false;
  state.devices = {};
  state.connectFault = {};
}

}  // namespace midiio
