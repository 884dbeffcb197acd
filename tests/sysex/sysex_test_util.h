#pragma once
// Builders for the byte streams the SysEx tests feed in.
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "run_tool.h"

namespace sysextest {

// Memory limits (ulimit -v) cannot be set under AddressSanitizer, which
// reserves its shadow memory up front.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif

#ifdef ZAMO_BIN_DIR
// Runs a bash script in `workDir`; $B is the directory of the built tools.
inline zamotest::ToolRun runShell(const std::string& script, const std::filesystem::path& workDir) {
  return zamotest::runProgram("/bin/bash", {"-c", "B='" + std::string(ZAMO_BIN_DIR) + "'\n" + script}, {}, workDir);
}
#endif

// A file of `size` bytes that starts with `head` and is zero after it,
// made sparse so that a big input costs no disk.
inline std::string writeSparse(const zamotest::TempDir& dir, std::string_view name, std::string_view head,
                               std::uintmax_t size) {
  std::string path = dir.write(name, head);
  std::filesystem::resize_file(path, size);
  return path;
}

// A chunk: type, big-endian length, data.
inline std::string chunk(std::string_view type, std::string_view data) {
  std::string out(type);
  std::uint32_t n = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(n >> shift);
  out += data;
  return out;
}

inline std::string header(int format, int tracks, int division) {
  return chunk("MThd", zamotest::bytes({format >> 8, format & 0xFF, tracks >> 8, tracks & 0xFF, division >> 8,
                                        division & 0xFF}));
}

// An SMF whose tracks hold the given event bytes (written in hex).
inline std::string smf(int format, const std::vector<std::string>& trackHex, int division = 96) {
  std::string out = header(format, static_cast<int>(trackHex.size()), division);
  for (const std::string& t : trackHex) out += chunk("MTrk", zamotest::unhex(t));
  return out;
}

// Random SysEx messages and a file holding them with junk between them.
struct SysexSample {
  std::vector<std::string> messages;
  std::string file;
  std::string joined() const {
    std::string all;
    for (const std::string& m : messages) all += m;
    return all;
  }
};

inline SysexSample randomSysexFile(std::mt19937& rng, int count, std::size_t maxData, bool junk) {
  SysexSample s;
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  for (int i = 0; i < count; ++i) {
    if (junk) {
      int n = pick(0, 6);
      for (int k = 0; k < n; ++k) {
        int b = pick(0, 255);
        if (b == 0xF0) b = 0xF7;  // anything but a message start
        s.file += static_cast<char>(b);
      }
    }
    std::string m(1, '\xF0');
    std::size_t n = static_cast<std::size_t>(pick(0, static_cast<int>(maxData)));
    for (std::size_t k = 0; k < n; ++k) m += static_cast<char>(pick(0, 0x7F));
    m += '\xF7';
    s.messages.push_back(m);
    s.file += m;
  }
  return s;
}

}  // namespace sysextest
