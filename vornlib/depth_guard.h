#pragma once
// Counts one level of nesting for as long as it lives, so that recursive
// parsers stop at a bound instead of at the stack's end.
#include <cstddef>
#include <utility>

namespace vorn {

class DepthGuard {
 public:
  // Counts a level unless `depth` has reached `limit`; entered() tells which.
  DepthGuard(std::size_t& depth, std::size_t limit) : depth_(depth), entered_(depth < limit) {
    if (entered_) ++depth_;
  }
  ~DepthGuard() {
    if (entered_) --depth_;
  }
  // Movable so that a checking function can hand the counted level over.
  DepthGuard(DepthGuard&& other) noexcept : depth_(other.depth_), entered_(std::exchange(other.entered_, false)) {}
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  DepthGuard& operator=(DepthGuard&&) = delete;

  bool entered() const { return entered_; }

 private:
  std::size_t& depth_;
  bool entered_;
};

}  // namespace vorn
