#pragma once
// What a tool lets go of however its run ends: at its end, on an error that
// ends it, after a break (whose hook, conHook, runs earlier, at the break).
#include <functional>
#include <utility>

namespace frame {

// Runs `release` when it goes out of scope.
class OnEveryWayOut {
 public:
  explicit OnEveryWayOut(std::function<void()> release) : release_(std::move(release)) {}
  ~OnEveryWayOut() { release_(); }
  OnEveryWayOut(const OnEveryWayOut&) = delete;
  OnEveryWayOut& operator=(const OnEveryWayOut&) = delete;

 private:
  std::function<void()> release_;
};

}  // namespace frame
