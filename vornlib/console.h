#pragma once
// The tool runner: starts a tool, runs its main callback, turns the outcome
// into the exit status, and handles Ctrl-C at safe points.
//
// Exit statuses: 0 success, 1 when an error was reported, 2 for a rejected
// option, 130 after Ctrl-C (SIGINT), 143 after SIGTERM.
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <string_view>

namespace vorn {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitBadOption = 2;
inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

using MainProc = int (*)();
using BreakHook = std::function<void()>;

// Thrown to end the run; carries the exit status. Tools that need a recovery
// point catch it; everything else lets the runner catch it.
struct RunEnded {
  int status;
};

// Runs `mainProc` as the tool named by `banner` ("ZEMBRA 1.00"), with the
// process's arguments. Returns the exit status. MainProc returns nonzero when
// the run went through; the status is still 1 if any error was reported.
int runMainProc(std::string_view banner, int argc, char** argv, MainProc mainProc);

// Registers the hook that releases what the tool holds when the user breaks.
void conHook(BreakHook hook);

// Ends the run with status 1 (an error was reported before). Never returns.
[[noreturn]] void conBreak();
// Ends the run with the given status. Never returns.
[[noreturn]] void conEnd(int status);
// Writes `text` to stderr as it is and ends the run with status 1.
[[noreturn]] void conErrorMsg(std::string_view text);

// A safe point: when a break is pending, runs the hook and ends the run
// with status 130. The library's blocking calls call it themselves.
void pollBreak();
bool breakPending();
// Runs the break hook if it has not run yet (before the process goes on a closed pipe).
void runBreakHookForExit();

// Sleeps, waking at once for a break.
void sleepMs(unsigned milliseconds);
// Sleeps until `deadline` on the monotonic clock, waking at once for a break.
void sleepUntil(std::chrono::steady_clock::time_point deadline);
// Sleeps until `deadline` and gives true, or gives false as soon as a break
// arrives or wakeSleeper() is called (also when that happened since the last
// such sleep); ends no run. Callers look again at what they wait for.
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

// "zembra" for the banner "ZEMBRA 1.00"; "zamo" before runMainProc ran.
std::string_view toolName();
std::string_view toolBanner();

// Writes "tool: message" on stderr and remembers that an error was reported.
void reportError(std::string_view message);
// The same for a message that already carries the meaning of its Japanese
// text (withGloss adds none).
void reportGlossedError(std::string_view message);
// Writes "tool: message" on stderr as news, not an error: the status stays.
void reportNote(std::string_view message);
bool errorReported();

// The process's arguments as runMainProc received them (without argv[0]).
int argumentCount();
const char* argument(int index);

// For tests that run a main callback in-process: forget the state of a previous run.
void resetRunState();

}  // namespace vorn
