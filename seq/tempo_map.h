#pragma once
// Milliseconds at a tick count under a run of tempo changes. Each time is
// taken from the change before it, never summed event by event, so no
// rounding builds up.
//
// A map that keeps its changes serves a later walk from tick 0 again (the
// first track of an SMF of format 1 sets the tempo for all tracks); one
// that does not keeps only the change in force, in constant memory.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace seq {

class TempoMap {
 public:
  TempoMap(double msPerTick, bool keepChanges) : keep_(keepChanges), segments_{{0, 0.0, msPerTick}} {}

  // From `tick` on (not before the last change or query), a tick lasts `msPerTick`.
  void change(std::uint64_t tick, double msPerTick);
  // Ticks asked for must not go back, except after rewind(). Inline: a dump
  // asks for every event.
  double msAt(std::uint64_t tick) {
    while (cursor_ + 1 < segments_.size() && segments_[cursor_ + 1].tick <= tick) ++cursor_;
    const Segment& segment = segments_[cursor_];
    std::uint64_t since = tick > segment.tick ? tick - segment.tick : 0;
    return segment.ms + static_cast<double>(since) * segment.msPerTick;
  }
  // Starts a new walk from tick 0 over the kept changes.
  void rewind() { cursor_ = 0; }
  // Kept changes are kept no more; later changes are ignored.
  void freeze() { frozen_ = true; }

 private:
  struct Segment {
    std::uint64_t tick;
    double ms;
    double msPerTick;
  };

  bool keep_;
  bool frozen_ = false;
  std::vector<Segment> segments_;
  std::size_t cursor_ = 0;
};

}  // namespace seq
