#pragma once
// A private JACK server for one test: jackd with the dummy driver under a
// unique name, which JACK_DEFAULT_SERVER makes the default for this process
// and the tools it starts.
#include <sys/types.h>

#include <string>

namespace zamotest {

class JackServer {
 public:
  // Starts the server with periods of `periodFrames` and waits until it
  // answers; throws when it cannot.
  explicit JackServer(unsigned periodFrames = kPeriodFrames);
  ~JackServer() { stop(); }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  const std::string& name() const { return name_; }
  pid_t pid() const { return pid_; }
  unsigned periodFrames() const { return periodFrames_; }
  // SIGTERM, then waits for it to go.
  void stop();
  void signal(int sig) const;
  // What the server wrote; it logs late cycles there.
  std::string log() const;
  // Whether the server logged a late cycle after the first `from` bytes of its log.
  bool reportedLateCycles(std::size_t from = 0) const;

  static constexpr unsigned kRate = 48000;
  static constexpr unsigned kPeriodFrames = 256;

 private:
  bool start(bool realtime);
  static constexpr int kNameSlots = 4;

  std::string name_;
  std::string logPath_;
  unsigned periodFrames_;
  pid_t pid_ = -1;
};

}  // namespace zamotest
