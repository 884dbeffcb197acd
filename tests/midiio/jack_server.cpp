#include "jack_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "run_tool.h"

namespace zamotest {

JackServer::JackServer(unsigned periodFrames) : periodFrames_(periodFrames) {
  static std::atomic<int> serial{0};
  logPath_ = (std::filesystem::temp_directory_path() /
              ("zamo-test-jackd-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".log"))
                 .string();
  // Names from a small fixed set: JACK's registry holds 8 servers, and the
  // entry of one that died uncleanly (some tests kill theirs) is freed only
  // when a server of the same name starts; names made unique filled it after
  // a few runs ("Too many servers already active"). A name a live server
  // holds (another test process) is passed over.
  for (int slot = 0; slot < kNameSlots; ++slot) {
    name_ = "zamo-test-" + std::to_string(slot);
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    // Without permission for real-time scheduling jackd exits at once; run it without.
    if (start(true) || start(false)) return;
  }
  throw std::runtime_error("jackd did not start: " + log());
}

bool JackServer::start(bool realtime) {
  const std::string ports = "64", rate = std::to_string(kRate), period = std::to_string(periodFrames_);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int fd = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    // -p before -d limits the ports (and the shared memory); after -d it is the period.
    execlp("jackd", "jackd", realtime ? "-R" : "--no-realtime", "-n", name_.c_str(), "-p", ports.c_str(), "-d",
           "dummy", "-r", rate.c_str(), "-p", period.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const ToolRun wait = runProgram("/usr/bin/jack_wait", {"-w", "-t", "10"});
  // A second server of the same name exits at once while jack_wait still succeeds: check ours lives.
  int status = 0;
  if (wait.status == 0 && waitpid(pid_, &status, WNOHANG) == 0) return true;
  stop();
  return false;
}

void JackServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGCONT);
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  // A server stopped under live clients leaves their semaphores behind.
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
    if (entry.path().filename().string().find("_" + name_ + "_") != std::string::npos) {
      std::filesystem::remove(entry.path(), ignored);
    }
  }
}

void JackServer::signal(int sig) const {
  if (pid_ > 0) kill(pid_, sig);
}

std::string JackServer::log() const { return readFile(logPath_); }

bool JackServer::reportedLateCycles(std::size_t from) const {
  const std::string all = log();
  std::string text = all.size() > from ? all.substr(from) : "";
  // jackd 1.9 writes "XRun" where a client did not finish its cycle.
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text.find("xrun") != std::string::npos || text.find("late") != std::string::npos ||
         text.find("delay") != std::string::npos;
}

}  // namespace zamotest
