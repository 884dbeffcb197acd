#pragma once
// A real-time tool run as a program on the in-process fake MIDI system: its
// ports, and the log of what it opened, sent (with virtual times) and closed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fake_log.h"
#include "run_tool.h"

namespace zamotest {

// How the tools list the fixture's outputs when a name matches none.
inline const std::string kFixtureOutputs =
    "the MIDI outputs are:\n  Midi Through:Midi Through Port-0\n  Synth A:Port 1\n  Synth B:Port 1";

class FakeMidiToolTest : public ::testing::Test {
 protected:
  explicit FakeMidiToolTest(std::string tool) : tool_(std::move(tool)) {}

  void SetUp() override {
    useFakeMidi("Midi Through:Midi Through Port-0\nSynth A:Port 1\nSynth B:Port 1", "", dir.file("midi.log").string());
  }
  // The fake's log: "open <port>", "<ms> <bytes>" per event, "close".
  std::vector<std::string> log() const { return fakeLogLines(dir.file("midi.log")); }
  // Runs the tool on a fresh log and gives the log.
  std::vector<std::string> sent(const std::vector<std::string>& args, const std::string& input = {}) {
    std::remove(dir.file("midi.log").c_str());
    last = runTool(tool_, args, input);
    return log();
  }

  TempDir dir;
  ToolRun last;

 private:
  std::string tool_;
};

// Runs `path` with `args` and its standard input a pipe that stays open, so
// that it waits there once its files are done; once `ready` holds (polled for
// at most 2 s) sends `signal`. Gives the exit status, or -1 when it did not exit.
inline int runUntilSignalled(const std::string& path, const std::vector<std::string>& args, int signal,
                             const std::function<bool()>& ready) {
  int toChild[2];
  if (pipe(toChild) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(toChild[0], 0);
    close(toChild[1]);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(toChild[0]);
  for (int i = 0; i < 200 && !ready(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  close(toChild[1]);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace zamotest
