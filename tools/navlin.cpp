// navlin: lists the MIDI output or input ports by the names the other tools
// accept, optionally as ready-made option words.
#include <cstdint>

#include "frame/frame.h"
#include "midiio/midi_layer.h"

namespace {

constexpr std::uint32_t kListInputs = 1;
constexpr std::uint32_t kListOutputs = 2;
constexpr std::uint32_t kAsOptions = 4;

std::uint32_t listMode = kListOutputs;

// E and I exclude each other: the one given last wins.
vorn::OptionHandler directionOption(std::uint32_t wanted, std::uint32_t other) {
  return [wanted, other](std::string_view text) {
    if (!text.empty()) return false;
    listMode = (listMode & ~other) | wanted;
    return true;
  };
}

const vorn::OptionEntry options[] = {
    {'E', directionOption(kListOutputs, kListInputs), "-E      list the MIDI outputs (the default)"},
    {'I', directionOption(kListInputs, kListOutputs), "-I      list the MIDI inputs"},
    {'O', vorn::option_o, "-Ofile  write the list to file instead of standard output"},
    {'S', frame::flagOption(listMode, kAsOptions), "-S      write each name as an option word (-Ename, -Iname)"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options]",
                                        "Lists the MIDI ports by the names the other tools accept."};

// No ports is said on standard error: standard output stays a plain list for scripts.
void list(const std::vector<midiio::Device>& devices, std::string_view prefix, std::string_view none) {
  if (devices.empty()) frame::reportNote(none);
  for (const midiio::Device& device : devices) {
    if (listMode & kAsOptions) vorn::OutStrz(prefix);
    vorn::OutStrz(device.name);
    vorn::OutEol();
  }
}

int mainProc() {
  frame::analoptionEx(descriptor);
  frame::openout();
  const midiio::DeviceList* devices = nullptr;
  frame::orEnd(midiio::midiDevices(devices));
  if (listMode & kListOutputs) list(devices->outputs, "-E", "no MIDI outputs");
  if (listMode & kListInputs) list(devices->inputs, "-I", "no MIDI inputs");
  frame::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("NAVLIN 1.00", argc, argv, mainProc); }
