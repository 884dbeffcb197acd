#include "frame/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace frame {
namespace {

constexpr const char* kClearToEnd = "\033[K";

void writeError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string twoDigits(std::uint64_t n) { return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; }

}  // namespace

bool ProgressLine::wanted() {
  const char* term = std::getenv("TERM");
  return isatty(STDERR_FILENO) == 1 && !(term != nullptr && std::strcmp(term, "dumb") == 0);
}

void ProgressLine::begin(std::uint64_t totalMs) {
  clear();
  total_ = clockText(totalMs / 1000);
}

void ProgressLine::show(std::uint64_t playedMs) {
  const auto second = static_cast<std::int64_t>(playedMs / 1000);
  if (second == shownSecond_) return;
  shownSecond_ = second;
  writeError(kClearToEnd + clockText(playedMs / 1000) + " / " + total_ + "\r");
}

void ProgressLine::clear() {
  if (shownSecond_ < 0) return;
  shownSecond_ = -1;
  writeError(kClearToEnd);
}

std::string clockText(std::uint64_t seconds) {
  const std::uint64_t hours = seconds / 3600;
  const std::uint64_t minutes = seconds / 60 % 60;
  const std::string tail = twoDigits(seconds % 60);
  if (hours == 0) return std::to_string(minutes) + ":" + tail;
  return std::to_string(hours) + ":" + twoDigits(minutes) + ":" + tail;
}

}  // namespace frame
