#pragma once
// Runs a built tool as a child process, feeding stdin and collecting stdout,
// stderr and the exit status, for command-line tests.
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zamotest {

struct ToolRun {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal
};

ToolRun runProgram(const std::string& path, const std::vector<std::string>& args, std::string_view input = {},
                   const std::filesystem::path& workDir = {}, bool stderrOnTerminal = false);

#ifdef ZAMO_BIN_DIR
inline std::string toolPath(std::string_view tool) { return std::string(ZAMO_BIN_DIR) + "/" + std::string(tool); }
inline ToolRun runTool(std::string_view tool, const std::vector<std::string>& args, std::string_view input = {},
                       const std::filesystem::path& workDir = {}, bool stderrOnTerminal = false) {
  return runProgram(toolPath(tool), args, input, workDir, stderrOnTerminal);
}
#endif

// Bytes from a list of values: bytes({0x00, 0xFF, 0x00, 0x00}).
std::string bytes(std::initializer_list<int> values);
// "00 FF 00 00": readable failure messages for binary output.
std::string hex(std::string_view data);
// Parses "00 ff 00 00" (blanks ignored) into bytes.
std::string unhex(std::string_view text);

// A fresh directory removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(std::string_view name) const { return path_ / name; }
  // Writes `content` to a file in the directory and returns its path.
  std::string write(std::string_view name, std::string_view content) const;
  std::string read(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);

}  // namespace zamotest
