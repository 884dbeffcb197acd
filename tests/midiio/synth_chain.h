#pragma once
// The audio end of the chain for tests: FluidSynth as a JACK client and
// jack_capture recording its output into a WAV file, each a child process
// of the test with its output in a log file.
#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

namespace zamotest {

// The program's path on PATH, or "" when it is not installed.
std::string findProgram(const std::string& name);

// A program running beside the test. Its standard input is a pipe the test
// holds (ended by closeInput or at the end); ended by SIGTERM when it still
// runs at the end.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::string& logPath);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void write(const std::string& text);
  void closeInput();
  bool running();
  // Sends `sig` (0: none) and waits up to `timeout`, then kills it.
  void stop(int sig, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  std::string log() const;

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string logPath_;
};

// FluidSynth on the default JACK server with the client name `name`
// (ports name:midi_00, name:left, name:right, not connected anywhere).
// Throws, with its output, unless its font listing shows `soundfont`: a
// font that fails to load is replaced by another without a word.
class FluidSynth {
 public:
  FluidSynth(const std::string& name, const std::string& soundfont, const std::string& logPath);
  ~FluidSynth();
  std::string midiPort() const { return name_ + ":midi_00"; }
  std::string audioPort(const char* side) const { return name_ + ":" + side; }
  std::string log() const { return process_.log(); }

 private:
  std::string name_;
  ChildProcess process_;
};

// jack_capture recording two ports into a 16-bit WAV file; the
// constructor returns once frames reach the file, stop() finishes it.
class AudioCapture {
 public:
  AudioCapture(const std::string& left, const std::string& right, const std::string& wavPath,
               const std::string& logPath);
  void stop() { process_.stop(SIGTERM); }
  std::string log() const { return process_.log(); }

 private:
  ChildProcess process_;
};

}  // namespace zamotest
