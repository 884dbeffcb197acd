#pragma once
// The lines of the fake MIDI system's log file ("open <port>", "<ms> <hex>"
// per message, "close"); none when the file is not there.
#include <filesystem>
#include <string>
#include <vector>

#include "run_tool.h"

namespace zamotest {

inline std::vector<std::string> fakeLogLines(const std::filesystem::path& log) {
  std::vector<std::string> lines;
  if (!std::filesystem::exists(log)) return lines;
  const std::string text = readFile(log);
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace zamotest
