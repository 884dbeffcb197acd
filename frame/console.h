#pragma once
// The tool runner: starts a tool, runs its main callback, turns the outcome
// into the exit status; and the one place that reports ("tool: message" on
// standard error) and ends the run, at once or at a safe point for Ctrl-C.
// Libraries give faults back; a tool hands them here.
//
// Exit statuses: 0 success, 1 when an error was reported, 2 for a rejected
// option, 130 after Ctrl-C (SIGINT), 143 after SIGTERM.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "vornlib/fault.h"
#include "vornlib/status.h"

namespace frame {

inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitBadOption = 2;
inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

using MainProc = int (*)();
using BreakHook = std::function<void()>;

// Thrown to end the run; carries the exit status. Only the frame throws and
// catches it.
struct RunEnded {
  int status;
};

// Runs `mainProc` as the tool named by `banner` ("ZEMBRA 1.00"), with the
// process's arguments. Returns the exit status. MainProc returns nonzero when
// the run went through; the status is still 1 if any error was reported.
// The current input and output end the run on a fault (endOnStreamFault).
int runMainProc(std::string_view banner, int argc, char** argv, MainProc mainProc);

// Registers the hook that releases what the tool holds when the user breaks.
void conHook(BreakHook hook);

// Ends the run with status 1 (an error was reported before). Never returns.
[[noreturn]] void conBreak();
// Ends the run with the given status. Never returns.
[[noreturn]] void conEnd(int status);

// A safe point: when a break is pending, runs the hook and ends the run
// with status 130 (143 after SIGTERM).
void pollBreak();
// Sleeps, ending the run at once for a break.
void sleepMs(unsigned milliseconds);

// Writes "tool: message" on stderr and remembers that an error was reported.
void reportError(std::string_view message);
// The same for a message that already carries the meaning of its Japanese
// text (withGloss adds none).
void reportGlossedError(std::string_view message);
// An error of several lines: the first is reported as reportGlossedError
// reports it; the lines under it follow on standard error as they are.
void reportGlossedLines(std::string_view text);
// Writes "tool: message" on stderr as news, not an error: the status stays.
void reportNote(std::string_view message);
bool errorReported();
// "tool: FILE: text (at byte offset N)", the one shape of every report about
// a place in a file; FILE is "<stdin>" for a null name. Without an offset
// the parenthesis is left out.
void reportAt(const char* fileName, std::string_view text, std::optional<std::uint64_t> offset = std::nullopt);
// The code's text about the file; for malformed input read from the current
// input it also names the byte offset where reading stopped.
void reportCodeFor(std::uint32_t code, const char* fileName);
// Out of memory, naming the current input and offset when one is open.
void reportOutOfMemory();

// Reports a fault: about its input ("FILE: text (at byte offset N)") when
// it names one, else its text alone. The run goes on.
void report(const vorn::Fault& fault);
// Ends the run on a fault: a break's as the break does (the hook, 130), a
// closed pipe's quietly as a shell expects, any other reported, status 1.
[[noreturn]] void fail(const vorn::Fault& fault);
// The "or end" of a call that gives a status.
inline void orEnd(const vorn::Status& status) {
  if (!status) fail(status.fault());
}
// The "or report" of a call whose fault costs only what it was doing: false
// after reporting the fault, the run going on (its status will be 1); a
// break and a closed pipe end the run all the same, as fail does.
bool orReport(const vorn::Status& status);
// The fault handler of the streams a tool reads and writes (vornlib/streams.h): fail.
void endOnStreamFault(const vorn::Fault& fault);

// For tests that run a main callback in-process: forget the state of a previous run.
void resetRunState();

}  // namespace frame
