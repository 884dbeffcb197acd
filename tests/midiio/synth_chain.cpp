#include "synth_chain.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "run_tool.h"

namespace zamotest {

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath) : logPath_(logPath) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(pipeFds[0], STDIN_FILENO);
    dup2(log, STDOUT_FILENO);
    dup2(log, STDERR_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    close(log);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[0]);
  input_ = pipeFds[1];
  // A child that ended must not end the test when it is written to.
  signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() { stop(SIGTERM); }

void ChildProcess::write(const std::string& text) {
  if (input_ >= 0 && ::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("could not write to " + logPath_ + "'s program");
  }
}

void ChildProcess::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool ChildProcess::running() {
  int status = 0;
  if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;
  return pid_ > 0;
}

void ChildProcess::stop(int sig, std::chrono::milliseconds timeout) {
  if (running() && sig != 0) kill(pid_, sig);
  closeInput();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

std::string ChildProcess::log() const { return readFile(logPath_); }

namespace {

std::vector<std::string> fluidSynthArgs(const std::string& name, const std::string& soundfont) {
  // No reverb or chorus: each note ends in silence soon after its note-off.
  return {"env", "SDL_AUDIODRIVER=dummy", "fluidsynth", "-a", "jack", "-m", "jack", "-r", "48000",
          "-R", "0", "-C", "0", "-o", "midi.jack.id=" + name, "-o", "audio.jack.id=" + name,
          "-o", "audio.jack.autoconnect=0", soundfont};
}

// A file of an earlier run would look like a recording under way.
const std::string& removed(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  return path;
}

// Waits up to ten seconds for `done` to hold.
template <typename Done>
bool waitFor(Done done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

FluidSynth::FluidSynth(const std::string& name, const std::string& soundfont, const std::string& logPath)
    : name_(name), process_(fluidSynthArgs(name, soundfont), logPath) {
  // Its shell answers once the synthesizer, the font and the JACK ports are
  // in place; a line with a number names each font loaded.
  process_.write("fonts\necho listed\n");
  const bool answered = waitFor([&] { return log().find("\nlisted") != std::string::npos || !process_.running(); });
  std::istringstream lines(log());
  bool loaded = false;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string id, file;
    if (words >> id >> file && id.find_first_not_of("0123456789") == std::string::npos) loaded |= file == soundfont;
  }
  if (!answered || !loaded) throw std::runtime_error("FluidSynth did not load " + soundfont + ":\n" + log());
}

FluidSynth::~FluidSynth() {
  if (process_.running()) process_.write("quit\n");
  process_.stop(0);
}

AudioCapture::AudioCapture(const std::string& left, const std::string& right, const std::string& wavPath,
                           const std::string& logPath)
    : process_({"jack_capture", "--daemon", "-b", "16", "-c", "2", "-p", left, "-p", right, removed(wavPath)},
               logPath) {
  // The header alone is 44 bytes; frames behind it mean it records.
  std::error_code ignored;
  const bool recording = waitFor([&] {
    return std::filesystem::file_size(wavPath, ignored) > 44 && ignored.value() == 0;
  });
  if (!recording) throw std::runtime_error("jack_capture did not start recording:\n" + log());
}

}  // namespace zamotest
