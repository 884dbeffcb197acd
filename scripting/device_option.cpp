#include "scripting/device_option.h"

#include <string>
#include <string_view>

#include "midiio/midi_layer.h"
#include "midiio/port_words.h"

namespace midiio {

vorn::OptionHandler deviceOption(Direction direction, int& index, bool& enabled) {
  return [direction, &index, &enabled](std::string_view text) {
    const char* variable = deviceVariable(direction);
    std::string name(text);
    if (name.empty()) {
      if (!deviceNameFromEnvironment(direction, name)) return false;
      if (name.empty()) {
        std::string ports;
        if (vorn::Status listed = existingPortsText(direction, ports); !listed) {
          vorn::optionFault(listed.fault());
          return false;
        }
        vorn::explainRefusal("alone, it takes the port " + std::string(variable) + " names, and " + variable +
                             " is not set; " + ports);
        return false;
      }
    }
    enabled = findPortForOption(direction, name, index);
    return enabled;
  };
}

}  // namespace midiio
