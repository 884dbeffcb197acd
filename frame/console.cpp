#include "frame/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <string>

#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/gloss.h"
#include "vornlib/run_args.h"
#include "vornlib/streams.h"

namespace frame {
namespace {

BreakHook gHook;
bool gHookRan = false;
std::atomic<bool> gErrorReported{false};

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

void runHookOnce() {
  if (gHookRan) return;
  gHookRan = true;
  if (gHook) gHook();
}

// A closed pipe: nothing to report; leave as a shell expects.
[[noreturn]] void endOnClosedPipe() {
  runHookOnce();
  std::signal(SIGPIPE, SIG_DFL);
  std::raise(SIGPIPE);
  conEnd(141);
}

void writeReport(std::string_view message) {
  std::string line(vorn::toolName());
  line += ": ";
  line += message;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void reportPlace(std::string_view name, std::string_view text, std::optional<std::uint64_t> offset) {
  std::string message(name);
  message += ": ";
  message += text;
  if (offset) message += " (at byte offset " + std::to_string(*offset) + ")";
  reportError(message);
}

}  // namespace

void conHook(BreakHook hook) { gHook = std::move(hook); }

void conBreak() { throw RunEnded{kExitError}; }

void conEnd(int status) { throw RunEnded{status}; }

void pollBreak() {
  int signal = vorn::breakSignal();
  if (signal == 0) return;
  runHookOnce();
  throw RunEnded{statusForSignal(signal)};
}

void sleepMs(unsigned milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  pollBreak();
  while (!vorn::sleepUntilWoken(deadline)) pollBreak();
  pollBreak();
}

void reportError(std::string_view message) {
  gErrorReported = true;
  reportNote(message);
}

void reportGlossedError(std::string_view message) {
  gErrorReported = true;
  writeReport(message);
}

void reportGlossedLines(std::string_view text) {
  const std::size_t firstLineEnd = text.find('\n');
  reportGlossedError(text.substr(0, firstLineEnd));
  if (firstLineEnd == std::string_view::npos) return;
  const std::string_view rest = text.substr(firstLineEnd + 1);
  std::fwrite(rest.data(), 1, rest.size(), stderr);
  std::fflush(stderr);
}

void reportNote(std::string_view message) { writeReport(vorn::withGloss(message)); }

bool errorReported() { return gErrorReported; }

void reportAt(const char* fileName, std::string_view text, std::optional<std::uint64_t> offset) {
  reportPlace(vorn::inputDisplayName(fileName), text, offset);
}

void reportCodeFor(std::uint32_t code, const char* fileName) {
  // Malformed input is easiest to find by its offset; only the current input knows it.
  std::optional<std::uint64_t> offset;
  if (code == vorn::kErrMalformedInput && vorn::currentInputMatches(fileName)) offset = vorn::currentInputOffset();
  reportAt(fileName, vorn::errorText(code), offset);
}

void reportOutOfMemory() {
  vorn::ByteInput& in = vorn::getinhandle();
  if (in.isOpen()) {
    reportAt(in.name(), "out of memory", in.offset());
  } else {
    reportError("out of memory");
  }
}

void report(const vorn::Fault& fault) {
  const std::string text = fault.text.empty() ? vorn::errorText(fault.code) : fault.text;
  if (fault.input.empty()) return reportError(text);
  reportPlace(fault.input, text, fault.offset);
}

void fail(const vorn::Fault& fault) {
  if (vorn::isInterruption(fault)) pollBreak();
  if (fault.code == EPIPE) endOnClosedPipe();
  report(fault);
  conBreak();
}

bool orReport(const vorn::Status& status) {
  if (status) return true;
  const vorn::Fault& fault = status.fault();
  if (vorn::isInterruption(fault) || fault.code == EPIPE) fail(fault);
  report(fault);
  return false;
}

void endOnStreamFault(const vorn::Fault& fault) { fail(fault); }

void resetRunState() {
  vorn::clearBreak();
  gHook = nullptr;
  gHookRan = false;
  gErrorReported = false;
}

int runMainProc(std::string_view banner, int argc, char** argv, MainProc mainProc) {
  vorn::setRunArguments(banner, argc, argv);
  ensureStandardDescriptors();
  vorn::installBreakHandlers();
  vorn::getinhandle().setFaultHandler(endOnStreamFault);
  vorn::getouthandle().setFaultHandler(endOnStreamFault);

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
    (void)vorn::closeout();
  } catch (const RunEnded& ended) {
    // closeout itself failed (disk full); that was reported.
    if (status == kExitOk) status = ended.status;
  }
  if (status == kExitOk && gErrorReported) status = kExitError;
  return status;
}

}  // namespace frame
