#pragma once
// Ctrl-C and SIGTERM as the libraries see them: a flag the signal handler
// sets, and sleeps that a break wakes. Nothing here ends the run; a library
// that meets a break returns (an interrupted fault, fault.h) and the tool
// ends the run through the frame.
#include <chrono>
#include <csignal>

namespace vorn {

// Installs the handlers that set the flag (SIGINT, SIGTERM) and ignores
// SIGPIPE, so that a closed pipe shows up as EPIPE.
void installBreakHandlers();

bool breakPending();
// The signal that asked for the break (SIGINT or SIGTERM), 0 when none.
int breakSignal();
// Forgets a break (tests that run several runs in one process).
void clearBreak();

// Sleeps until `deadline` and gives true, or gives false as soon as a break
// arrives or wakeSleeper() is called (also when that happened since the last
// such sleep). Callers look again at what they wait for.
bool sleepUntilWoken(std::chrono::steady_clock::time_point deadline);
// Ends the current or the next sleepUntilWoken early. Safe from any thread
// and from a signal handler.
void wakeSleeper();

// Blocks SIGINT and SIGTERM in the calling thread while it lives, so that
// threads started meanwhile (which inherit the mask) leave the break to the
// main thread. Worker threads set flags; only the main thread reports.
class BreakSignalsBlocked {
 public:
  BreakSignalsBlocked();
  ~BreakSignalsBlocked();
  BreakSignalsBlocked(const BreakSignalsBlocked&) = delete;
  BreakSignalsBlocked& operator=(const BreakSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace vorn
