#include "scripting/dialogue.h"

#include "midiio/midi_input.h"
#include "midiio/port_words.h"
#include "vornlib/numbers.h"

namespace midiio {
namespace {

constexpr std::size_t kInputNodes = 1024;
constexpr std::size_t kInputBlocks = 1024;
constexpr std::uint32_t kClockPeriodMs = 10;

}  // namespace

vorn::OptionHandler timeoutOption(std::uint32_t& timeoutMs, TimeoutRule rule) {
  return [&timeoutMs, rule](std::string_view text) {
    if (text.empty()) {
      timeoutMs = kDefaultScriptTimeoutMs;
      return true;
    }
    std::uint32_t seconds;
    const bool read = rule.blanksAround ? vorn::parseBlankedDecimal(text, seconds)
                                        : vorn::parseWholeDecimal(text, seconds);
    if (!read || seconds < rule.fewestSeconds || seconds > kLongestScriptTimeoutMs / 1000) return false;
    timeoutMs = seconds * 1000;
    return true;
  };
}

vorn::Status openDialogue(DialoguePorts& ports, const std::function<void(const std::string&)>& note) {
  (void)startClock(kClockPeriodMs);
  if (ports.input && !ports.inputChosen) {
    if (vorn::Status chosen = chooseMidiInputFromEnvironment(ports.inputIndex); !chosen) return chosen;
  }
  if (ports.output) {
    if (!ports.outputChosen) {
      if (vorn::Status chosen = chooseMidiOutputFromEnvironment(ports.outputIndex); !chosen) return chosen;
    }
    if (vorn::Status opened = openMidiOutput(ports.outputIndex); !opened) return opened;
    if (auto line = defaultPortNote(Direction::output, ports.outputIndex)) note(*line);
  }
  if (ports.input) {
    if (vorn::Status opened = openMidiInput(ports.inputIndex, kInputNodes, kInputBlocks, kInputLongData); !opened) {
      return opened;
    }
    if (auto line = defaultPortNote(Direction::input, ports.inputIndex)) note(*line);
  }
  return {};
}

void closeDialogue() {
  stopClock();
  closeMidiInput();
  closeMidiOutput();
}

}  // namespace midiio
