#include "midiio/port_words.h"

#include <unistd.h>

#include "midiio/device_names.h"
#include "midiio/midi_layer.h"
#include "vornlib/console.h"
#include "vornlib/options.h"

namespace midiio {
namespace {

std::string_view noun(Direction direction) { return direction == Direction::output ? "output" : "input"; }

}  // namespace

std::string existingPortsText(Direction direction) {
  const std::vector<Device>& devices = midiDevices().of(direction);
  if (devices.empty()) {
    return "the " + std::string(midiBackend().systemName()) + " system has no MIDI " + std::string(noun(direction)) +
           "s";
  }
  std::string text = "the MIDI " + std::string(noun(direction)) + "s are:";
  for (const Device& device : devices) text += "\n  " + device.name;
  return text;
}

bool findPortForOption(Direction direction, std::string_view name, int& index) {
  const bool found =
      direction == Direction::output ? findMidiOutput(name, index) : findMidiInput(name, index);
  if (found) return true;
  if (name.empty()) {
    // "-E name": the name went into the next word.
    vorn::explainRefusal(std::string("the port's name goes in the same word (") +
                         (direction == Direction::output ? "-Ename" : "-Iname") + "); " + existingPortsText(direction));
  } else {
    vorn::explainRefusal("there is no MIDI " + std::string(noun(direction)) + " named \"" + std::string(name) +
                         "\"; " + existingPortsText(direction));
  }
  return false;
}

void tellDefaultPort(Direction direction, int index) {
  if (index != kDefaultDevice || !::isatty(STDERR_FILENO)) return;
  const std::vector<Device>& devices = midiDevices().of(direction);
  const int chosen = defaultDevice(devices);
  if (chosen < 0) return;
  const bool out = direction == Direction::output;
  const std::string how =
      out ? "-Ename or ZAMO_MIDI_OUT (navlin lists them)" : "-Iname or ZAMO_MIDI_IN (navlin -I lists them)";
  vorn::reportNote("MIDI " + std::string(noun(direction)) + " \"" + devices[static_cast<std::size_t>(chosen)].name +
                   "\" (the default); choose another with " + how);
}

}  // namespace midiio
