#include "seq/tick_scale.h"

#include "seq/ostra.h"

namespace seq {
namespace {

// OSTRA ticks per second at its default tempo of 120 BPM.
constexpr std::uint64_t kOstraTicksPerSecond = kTicksPerQuarter * 2;

// Frames per second x 100 for an SMPTE frame-rate byte, 0 when unknown.
std::uint64_t framesPerHundredSeconds(std::int8_t rate) {
  switch (rate) {
    case -24: return 2400;
    case -25: return 2500;
    case -29: return 2997;  // 30 drop-frame
    case -30: return 3000;
    default: return 0;
  }
}

}  // namespace

bool TickScale::isKnownFrameRate(std::uint8_t highByte) {
  return framesPerHundredSeconds(static_cast<std::int8_t>(highByte)) != 0;
}

std::optional<TickScale> TickScale::fromDivision(std::uint16_t division) {
  if (division == 0) return std::nullopt;
  if ((division & 0x8000) == 0) return TickScale(kTicksPerQuarter, division, false);
  std::uint64_t frames = framesPerHundredSeconds(static_cast<std::int8_t>(division >> 8));
  std::uint64_t ticksPerFrame = division & 0xFF;
  if (frames == 0 || ticksPerFrame == 0) return std::nullopt;
  // seconds = ticks / (fps x ticks per frame); OSTRA ticks = seconds x 960.
  return TickScale(kOstraTicksPerSecond * 100, frames * ticksPerFrame, true);
}

// floor(x + 1/2) for x = t * n / d is floor((2tn + d) / 2d); beyond what a
// real file reaches, in 128 bits.
std::int64_t TickScale::wideOstraTicks(std::uint64_t fileTicks) const {
  using Wide = unsigned __int128;
  Wide result = (2 * Wide{fileTicks} * numerator_ + denominator_) / (2 * Wide{denominator_});
  return static_cast<std::int64_t>(result);
}

}  // namespace seq
