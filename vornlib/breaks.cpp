#include "vornlib/breaks.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>

namespace vorn {
namespace {

// Lock-free, so the signal handler may store to it; read by every thread.
std::atomic<int> gBreakSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Written by a break and by wakeSleeper(): a sleep that starts after the
// write still sees it, which a signal interrupting a sleep alone would not
// give. An eventfd, as write() is async-signal-safe and a poll on it ends at
// once for a signal too.
struct Wakeup {
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  ~Wakeup() { ::close(fd); }
  void post() const {
    const std::uint64_t one = 1;
    (void)!::write(fd, &one, sizeof one);
  }
  void drain() const {
    std::uint64_t count;
    (void)!::read(fd, &count, sizeof count);
  }
};
Wakeup gWakeup;

extern "C" void onBreakSignal(int signal) {
  gBreakSignal.store(signal, std::memory_order_relaxed);
  gWakeup.post();
}

timespec timespecOf(std::chrono::steady_clock::duration d) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
  return {static_cast<time_t>(seconds.count()),
          static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(d - seconds).count())};
}

}  // namespace

void installBreakHandlers() {
  struct sigaction action {};
  action.sa_handler = onBreakSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read or sleep must return so the break is seen.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

bool breakPending() { return gBreakSignal.load(std::memory_order_relaxed) != 0; }

int breakSignal() { return gBreakSignal.load(std::memory_order_relaxed); }

void clearBreak() {
  gBreakSignal = 0;
  gWakeup.drain();
}

bool sleepUntilWoken(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    const timespec wait = timespecOf(left);  // ppoll measures it on CLOCK_MONOTONIC
    pollfd woken{gWakeup.fd, POLLIN, 0};
    const int ready = ppoll(&woken, 1, &wait, nullptr);
    if (ready > 0) {
      gWakeup.drain();
      return false;
    }
    if (ready < 0 && errno == EINTR) return false;  // a signal: look at the break flag
  }
}

void wakeSleeper() { gWakeup.post(); }

BreakSignalsBlocked::BreakSignalsBlocked() {
  sigset_t block;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &block, &previous_);
}

BreakSignalsBlocked::~BreakSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace vorn
