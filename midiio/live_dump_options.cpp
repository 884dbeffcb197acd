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
  if (!vorn::parseWholeDecimal(seconds, value) || value < 1 || value > kLongestTimeoutSeconds) return false;
  timeoutMs = value * 1000;
  return true;
}

}  // namespace midiio
