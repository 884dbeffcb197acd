#include "vornlib/console.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "vornlib/errors.h"
#include "vornlib/gloss.h"
#include "vornlib/streams.h"

namespace vorn {
namespace {

// Lock-free, so the signal handler may store to it; read by every thread.
std::atomic<int> gBreakSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
BreakHook gHook;
bool gHookRan = false;
std::atomic<bool> gErrorReported{false};
std::string gBanner = "ZAMO";
std::string gToolName = "zamo";
std::vector<const char*> gArgs;

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

// A closed descriptor 0, 1 or 2 would be taken by the first file we open,
// so that an error text could land in the output file: fill them first.
void ensureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      ::close(opened);
    }
  }
}

int statusForSignal(int signal) { return signal == SIGTERM ? kExitTerminated : kExitInterrupted; }

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onBreakSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read or sleep must return so the break is seen.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A closed pipe shows up as EPIPE, so the hook can run before we go.
  std::signal(SIGPIPE, SIG_IGN);
}

std::string lowerName(std::string_view banner) {
  std::string name;
  for (char c : banner) {
    if (c == ' ') break;
    name += static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
  }
  return name;
}

void runHookOnce() {
  if (gHookRan) return;
  gHookRan = true;
  if (gHook) gHook();
}

}  // namespace

void conHook(BreakHook hook) { gHook = std::move(hook); }

void conBreak() { throw RunEnded{kExitError}; }

void conEnd(int status) { throw RunEnded{status}; }

void conErrorMsg(std::string_view text) {
  gErrorReported = true;
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  throw RunEnded{kExitError};
}

bool breakPending() { return gBreakSignal.load(std::memory_order_relaxed) != 0; }

void pollBreak() {
  int signal = gBreakSignal.load(std::memory_order_relaxed);
  if (signal == 0) return;
  runHookOnce();
  throw RunEnded{statusForSignal(signal)};
}

void sleepMs(unsigned milliseconds) {
  sleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds));
}

void sleepUntil(std::chrono::steady_clock::time_point deadline) {
  pollBreak();
  while (!sleepUntilWoken(deadline)) pollBreak();
  pollBreak();
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

std::string_view toolName() { return gToolName; }
std::string_view toolBanner() { return gBanner; }

namespace {

void writeReport(std::string_view message) {
  std::string line = gToolName;
  line += ": ";
  line += message;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void reportError(std::string_view message) {
  gErrorReported = true;
  reportNote(message);
}

void reportGlossedError(std::string_view message) {
  gErrorReported = true;
  writeReport(message);
}

void reportNote(std::string_view message) { writeReport(withGloss(message)); }

bool errorReported() { return gErrorReported; }

int argumentCount() { return static_cast<int>(gArgs.size()); }

const char* argument(int index) {
  return (index >= 0 && index < argumentCount()) ? gArgs[static_cast<std::size_t>(index)] : nullptr;
}

void resetRunState() {
  gBreakSignal = 0;
  gWakeup.drain();
  gHook = nullptr;
  gHookRan = false;
  gErrorReported = false;
}

void runBreakHookForExit() { runHookOnce(); }

int runMainProc(std::string_view banner, int argc, char** argv, MainProc mainProc) {
  gBanner = std::string(banner);
  gToolName = lowerName(banner);
  gArgs.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  ensureStandardDescriptors();
  installSignalHandlers();

  int status = kExitOk;
  try {
    try {
      int wentThrough = mainProc();
      status = (wentThrough && !gErrorReported) ? kExitOk : kExitError;
    } catch (const RunEnded& ended) {
      status = ended.status;
    } catch (const std::bad_alloc&) {
      reportOutOfMemory();
      status = kExitError;
    }
    // What was written before an error stays written.
    closeout();
  } catch (const RunEnded& ended) {
    // closeout itself failed (disk full); that was reported.
    if (status == kExitOk) status = ended.status;
  }
  if (status == kExitOk && gErrorReported) status = kExitError;
  return status;
}

}  // namespace vorn
