#pragma once
// Threads of the layer (and the threads libraries start for it) must leave
// SIGINT and SIGTERM to the main thread, which reports and ends the run.
#include <csignal>
#include <pthread.h>

namespace midiio {

// Blocks SIGINT and SIGTERM in the calling thread while it lives; threads
// created meanwhile inherit the mask.
class BreakSignalsBlocked {
 public:
  BreakSignalsBlocked() {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &block, &saved_);
  }
  ~BreakSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  BreakSignalsBlocked(const BreakSignalsBlocked&) = delete;
  BreakSignalsBlocked& operator=(const BreakSignalsBlocked&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace midiio
