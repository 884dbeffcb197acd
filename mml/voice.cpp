#include "mml/voice.h"

#include <limits>

namespace mml {

std::int32_t gateTime(std::int32_t length, std::int32_t mode, std::int32_t value) {
  std::int64_t ticks;
  if (mode == kGateTicks) {
    ticks = value;
  } else if (mode == kGateCut) {
    ticks = length > value ? static_cast<std::int64_t>(length) - value : 0;
  } else {
    ticks = static_cast<std::int64_t>(length) * value / 100;
  }
  if (ticks < 0) return 0;
  if (ticks > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(ticks);
}

std::int32_t foldNote(std::int64_t note) {
  if (note > 127) note -= (note - 127 + 11) / 12 * 12;
  if (note < 0) note += (-note + 11) / 12 * 12;
  return static_cast<std::int32_t>(note);
}

}  // namespace mml
