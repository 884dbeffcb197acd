#pragma once
// The fake MIDI system for tools run as programs: its ports, chosen through
// the environment, and the lines of its log file ("open <port>", "<ms> <hex>"
// per message, "close").
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run_tool.h"

namespace zamotest {

// The tools that run next see the fake with these ports (one "client:port" a
// line; no inputs when empty) and log to `log` (no log when empty); no port,
// arrivals or refusals chosen by an earlier test remain.
inline void useFakeMidi(const std::string& outputs, const std::string& inputs, const std::string& log) {
  setenv("ZAMO_MIDI_API", "fake", 1);
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", outputs.c_str(), 1);
  if (inputs.empty()) {
    unsetenv("ZAMO_FAKE_MIDI_INPUTS");
  } else {
    setenv("ZAMO_FAKE_MIDI_INPUTS", inputs.c_str(), 1);
  }
  if (log.empty()) {
    unsetenv("ZAMO_FAKE_MIDI_LOG");
  } else {
    setenv("ZAMO_FAKE_MIDI_LOG", log.c_str(), 1);
  }
  unsetenv("ZAMO_MIDI_OUT");
  unsetenv("ZAMO_MIDI_IN");
  unsetenv("ZAMO_FAKE_MIDI_ARRIVALS");
  unsetenv("ZAMO_FAKE_MIDI_REFUSE");
}

// The log's lines; none when the file is not there.
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
