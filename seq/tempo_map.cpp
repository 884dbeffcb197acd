#include "seq/tempo_map.h"

namespace seq {

void TempoMap::change(std::uint64_t tick, double msPerTick) {
  if (frozen_) return;
  Segment next{tick, msAt(tick), msPerTick};
  if (!keep_) {
    segments_.assign(1, next);
    cursor_ = 0;
    return;
  }
  // Two changes at one tick: the later one holds.
  if (segments_.back().tick == tick) {
    segments_.back() = next;
  } else {
    segments_.push_back(next);
  }
  cursor_ = segments_.size() - 1;
}

}  // namespace seq
