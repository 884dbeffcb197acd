#include "midiio/port_words.h"

#include <unistd.h>

#include "midiio/device_names.h"
#include "midiio/midi_layer.h"
#include "vornlib/errors.h"
#include "vornlib/options.h"

namespace midiio {
namespace {

std::string_view noun(Direction direction) { return direction == Direction::output ? "output" : "input"; }

}  // namespace

vorn::Status existingPortsText(Direction direction, std::string& text) {
  const DeviceList* list = nullptr;
  if (vorn::Status listed = midiDevices(list); !listed) return listed;
  const std::vector<Device>& devices = list->of(direction);
  if (devices.empty()) {
    text = "the " + std::string(midiBackend()->systemName()) + " system has no MIDI " + std::string(noun(direction)) +
           "s";
    return {};
  }
  text = "the MIDI " + std::string(noun(direction)) + "s are:";
  for (const Device& device : devices) text += "\n  " + device.name;
  return {};
}

bool findPortForOption(Direction direction, std::string_view name, int& index) {
  vorn::Status found = direction == Direction::output ? findMidiOutput(name, index) : findMidiInput(name, index);
  if (found) return true;
  std::string ports;
  if (found.fault().code == vorn::kErrNoSuchDevice) found = existingPortsText(direction, ports);
  if (!found) {
    vorn::optionFault(found.fault());
  } else if (name.empty()) {
    // "-E name": the name went into the next word.
    vorn::explainRefusal(std::string("the port's name goes in the same word (") +
                         (direction == Direction::output ? "-Ename" : "-Iname") + "); " + ports);
  } else {
    vorn::explainRefusal("there is no MIDI " + std::string(noun(direction)) + " named \"" + std::string(name) +
                         "\"; " + ports);
  }
  return false;
}

vorn::OptionHandler portOption(Direction direction, int& index, bool& chosen) {
  return [direction, &index, &chosen](std::string_view text) {
    chosen = findPortForOption(direction, text, index);
    return chosen;
  };
}

std::optional<std::string> defaultPortNote(Direction direction, int index) {
  if (index != kDefaultDevice || !::isatty(STDERR_FILENO)) return std::nullopt;
  const DeviceList* list = nullptr;
  if (!midiDevices(list)) return std::nullopt;
  const std::vector<Device>& devices = list->of(direction);
  const int chosen = defaultDevice(devices);
  if (chosen < 0) return std::nullopt;
  const bool out = direction == Direction::output;
  const std::string how =
      out ? "-Ename or ZAMO_MIDI_OUT (navlin lists them)" : "-Iname or ZAMO_MIDI_IN (navlin -I lists them)";
  return "MIDI " + std::string(noun(direction)) + " \"" + devices[static_cast<std::size_t>(chosen)].name +
         "\" (the default); choose another with " + how;
}

}  // namespace midiio
