#pragma once
// What the JACK receive tests share: a private server with an instrument
// client, SysEx messages that say which they are, a tool started with its
// standard output on a pipe the test reads when it likes, and the check that
// what a receiver wrote holds only whole messages that were sent.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jack_instrument.h"
#include "jack_server.h"
#include "run_tool.h"

namespace zamotest {

// F0 7D, the number in two 7-bit bytes, filler, F7: `size` bytes in all.
inline std::string numberedSysex(std::size_t size, int number) {
  std::string m(size, '\0');
  for (std::size_t i = 4; i + 1 < size; ++i) m[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(number)) & 0x7F);
  m[0] = static_cast<char>(0xF0);
  m[1] = 0x7D;
  m[2] = static_cast<char>((number >> 7) & 0x7F);
  m[3] = static_cast<char>(number & 0x7F);
  m.back() = static_cast<char>(0xF7);
  return m;
}

// Repeats `run` (four times at most) while the server logs a late cycle
// during it: a late cycle is a hole the receivers rightly show. Gives the
// result of the run that counts; none when every run was spoiled.
template <typename Run>
auto unspoiledRun(const JackServer& server, Run run) -> std::optional<decltype(run())> {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const std::size_t logSize = server.log().size();
    auto result = run();
    if (!server.reportedLateCycles(logSize)) return result;
    std::cout << "[ retry   ] a late cycle spoiled the run; repeating it\n";
  }
  return std::nullopt;
}

// A private server with an instrument client named "synth"; tests add its
// answers, then start it.
class InstrumentJackFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_API");  // JACK is found on its own where there is no ALSA sequencer
    unsetenv("ZAMO_MIDI_OUT");
    unsetenv("ZAMO_MIDI_IN");
    server = std::make_unique<JackServer>();
    instrument = std::make_unique<JackInstrument>("synth");
  }
  void TearDown() override {
    instrument.reset();
    server.reset();
  }

  std::unique_ptr<JackServer> server;
  std::unique_ptr<JackInstrument> instrument;
};

// A tool running with its standard output on a pipe (standard error in `errFile` when named).
class PipedTool {
 public:
  PipedTool(const std::string& tool, const std::vector<std::string>& args, bool stdinFromNull = true,
            const std::string& errFile = {}) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    const std::string path = toolPath(tool);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      if (stdinFromNull) {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
      }
      if (!errFile.empty()) dup2(open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      std::vector<char*> argv{const_cast<char*>(path.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~PipedTool() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }
  void signal(int sig) const { kill(pid_, sig); }
  // Reads to the end, then gives the exit status (128 + signal when killed).
  int finish(std::string& out) {
    char buffer[1 << 16];
    for (ssize_t n; (n = read(out_, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// Splits `out` at each F7 and judges every message against what was sent
// (numberedSysex of `size`): whole, or (only when data was lost) a prefix
// closed by F7. Gives a description of the first message that is neither.
inline std::string judgeReceived(const std::string& out, std::size_t size, int sent, bool lost, std::size_t& whole,
                                 std::size_t& cut) {
  whole = cut = 0;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\xF7', start);
    if (end == std::string::npos) return "bytes after the last F7";
    const std::string m = out.substr(start, end + 1 - start);
    start = end + 1;
    if (m.size() < 5 || m[0] != '\xF0' || m[1] != 0x7D) return "a message that was not sent: " + hex(m.substr(0, 8));
    const int number = (m[2] << 7) | m[3];
    if (number >= sent) return "a number never sent";
    const std::string original = numberedSysex(size, number);
    if (m == original) {
      ++whole;
    } else if (lost && m.size() < original.size() &&
               m.compare(0, m.size() - 1, original, 0, m.size() - 1) == 0) {
      ++cut;
    } else {
      return "message " + std::to_string(number) + " of " + std::to_string(m.size()) + " bytes is joined or damaged";
    }
  }
  return {};
}

}  // namespace zamotest
