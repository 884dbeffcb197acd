#include "midiio/live_dump_options.h"

#include "midiio/port_words.h"
#include "vornlib/numbers.h"

namespace midiio {

namespace {
constexpr std::uint32_t kLongestTimeoutSeconds = 120;
}

bool LiveDumpOptions::input(std::string_view name) {
  live = true;
  if (name.empty()) return true;
  chosen = findPortForOption(Direction::input, name, index);
  return chosen;
}

bool LiveDumpOptions::timeout(std::string_view seconds) {
  std::uint32_t value;
  if (seconds.empty()) {
    timeoutMs = kNoTimeout;
    return true;
  }
  if (!vorn::parseDecimalIn(seconds, 1, kLongestTimeoutSeconds, value)) return false;
  timeoutMs = value * 1000;
  return true;
}

vorn::Status LiveDumpOptions::fitFiles(int files) const {
  if (!live && shapesInput()) return vorn::Fault{"-W and -S apply to a MIDI input, which -I names", std::nullopt};
  if (live && files != 0) {
    return vorn::Fault{"-I reads a MIDI input instead of files: give no file with it", std::nullopt};
  }
  return {};
}

}  // namespace midiio
