#include "vornlib/console.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <cerrno>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "vornlib/streams.h"

namespace vorn {
namespace {

volatile std::sig_atomic_t gBreakSignal = 0;
BreakHook gHook;
bool gHookRan = false;
bool gErrorReported = false;
std::string gBanner = "ZAMO";
std::string gToolName = "zamo";
std::vector<const char*> gArgs;

extern "C" void onBreakSignal(int signal) { gBreakSignal = signal; }

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

bool breakPending() { return gBreakSignal != 0; }

void pollBreak() {
  if (gBreakSignal == 0) return;
  runHookOnce();
  throw RunEnded{kExitInterrupted};
}

void sleepMs(unsigned milliseconds) {
  struct timespec rest {
    static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
  };
  pollBreak();
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) pollBreak();
  pollBreak();
}

std::string_view toolName() { return gToolName; }
std::string_view toolBanner() { return gBanner; }

void reportError(std::string_view message) {
  gErrorReported = true;
  std::string line = gToolName;
  line += ": ";
  line += message;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

bool errorReported() { return gErrorReported; }

int argumentCount() { return static_cast<int>(gArgs.size()); }

const char* argument(int index) {
  return (index >= 0 && index < argumentCount()) ? gArgs[static_cast<std::size_t>(index)] : nullptr;
}

void resetRunState() {
  gBreakSignal = 0;
  gHook = nullptr;
  gHookRan = false;
  gErrorReported = false;
}

void runBreakHookForExit() { runHookOnce(); }

int WinConsole(std::string_view banner, int argc, char** argv, MainProc mainProc) {
  gBanner = std::string(banner);
  gToolName = lowerName(banner);
  gArgs.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  installSignalHandlers();

  int status = kExitOk;
  try {
    try {
      int wentThrough = mainProc();
      status = (wentThrough && !gErrorReported) ? kExitOk : kExitError;
    } catch (const RunEnded& ended) {
      status = ended.status;
    } catch (const std::bad_alloc&) {
      reportError("out of memory");
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
