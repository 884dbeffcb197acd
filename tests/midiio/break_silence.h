#pragma once
// What an output sends after Ctrl-C: All Notes Off and Sustain Off on every
// channel, as hex lines, each behind `prefix` (a time stamp, or nothing).
#include <cstdio>
#include <string>
#include <vector>

namespace zamotest {

inline std::vector<std::string> breakSilence(const std::string& prefix = {}) {
  std::vector<std::string> lines;
  for (int channel = 0; channel < 16; ++channel) {
    char text[16];
    std::snprintf(text, sizeof text, "B%X 7B 00", channel);
    lines.push_back(prefix + text);
    std::snprintf(text, sizeof text, "B%X 40 00", channel);
    lines.push_back(prefix + text);
  }
  return lines;
}

}  // namespace zamotest
