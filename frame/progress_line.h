#pragma once
// One line of progress on standard error, redrawn in place ("0:12 / 0:34"),
// for a terminal only: a pipe or a file gets nothing. The cursor is left at
// the line's start, so that a message written meanwhile covers the line.
#include <cstdint>
#include <string>

namespace frame {

class ProgressLine {
 public:
  // Standard error is a terminal that can redraw a line.
  static bool wanted();

  // A new run, `totalMs` long.
  void begin(std::uint64_t totalMs);
  // Redraws the line when `playedMs` has reached another whole second.
  void show(std::uint64_t playedMs);
  // Clears the line if one is shown; safe to repeat.
  void clear();

 private:
  std::string total_;
  std::int64_t shownSecond_ = -1;
};

// Whole seconds as a clock shows them: "0:05", "12:34", "1:02:03".
std::string clockText(std::uint64_t seconds);

}  // namespace frame
