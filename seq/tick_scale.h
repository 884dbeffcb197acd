#pragma once
// Turns a Standard MIDI File's running tick count into OSTRA ticks (480 per
// quarter note), rounded half up from the whole count so rounding never
// accumulates.
#include <cstdint>
#include <optional>

namespace seq {

class TickScale {
 public:
  // From a file header's division: ticks per quarter note, or, with the top
  // bit set, an SMPTE time base (frames per second as a negative high byte:
  // -24, -25, -29 for 29.97, -30; ticks per frame in the low byte), which is
  // converted in real time at 960 OSTRA ticks a second (120 BPM). Empty for
  // a division that gives no time base: 0, an unknown frame rate, or 0
  // ticks per frame.
  static std::optional<TickScale> fromDivision(std::uint16_t division);

  // Whether the high byte of an SMPTE division names a frame rate this
  // scale knows (-24, -25, -29, -30).
  static bool isKnownFrameRate(std::uint8_t highByte);

  // True for an SMPTE time base, where set-tempo events change nothing.
  bool isRealTime() const { return realTime_; }
  // Whether ostraTicks() is a multiplication, not a division.
  bool isMultiple() const { return multiple_ != 0; }

  // ostraTicks() of a scale that isMultiple(), given its multiple: a loop
  // that converts many counts keeps the multiple in a register, where the
  // scale's own would be read again after every byte the loop stores.
  std::uint64_t multiple() const { return multiple_; }
  std::int64_t multipleTicks(std::uint64_t fileTicks, std::uint64_t multiple) const {
    if (fileTicks < kPlainBound) return static_cast<std::int64_t>(fileTicks * multiple);
    return wideOstraTicks(fileTicks);
  }

  // round_half_up(fileTicks * numerator / denominator).
  std::int64_t ostraTicks(std::uint64_t fileTicks) const {
    // A division that divides 480 (96, 120, 240, 480 per quarter note)
    // needs no division at all; other counts take one.
    if (fileTicks < kPlainBound) {
      if (multiple_ != 0) return static_cast<std::int64_t>(fileTicks * multiple_);
      return static_cast<std::int64_t>((2 * fileTicks * numerator_ + denominator_) / (2 * denominator_));
    }
    return wideOstraTicks(fileTicks);
  }

 private:
  TickScale(std::uint64_t numerator, std::uint64_t denominator, bool realTime)
      : numerator_(numerator), denominator_(denominator),
        multiple_(numerator % denominator == 0 ? numerator / denominator : 0), realTime_(realTime) {}

  // Below this count plain 64-bit arithmetic holds the products.
  static constexpr std::uint64_t kPlainBound = std::uint64_t{1} << 40;
  std::int64_t wideOstraTicks(std::uint64_t fileTicks) const;

  std::uint64_t numerator_;
  std::uint64_t denominator_;
  std::uint64_t multiple_;  // numerator / denominator when that is whole, else 0
  bool realTime_;
};

}  // namespace seq
