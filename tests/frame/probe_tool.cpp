// A tool built only for tests: it exercises the frame the real tools share
// (options, file walk, reports, breaks, exit statuses) without doing any MIDI.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "frame/frame.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/streams.h"

namespace {

std::uint32_t flags = 0;
double step = 8.0;
std::string action;        // what each input triggers
std::uint32_t failCode = 0;

bool actionOption(std::string_view text) {
  action = std::string(text);
  return true;
}

bool codeOption(std::string_view text) { return vorn::parseWholeHex(text, failCode); }

const vorn::OptionEntry options[] = {
    {'F', frame::flagOption(flags, 1), "-F  a flag", vorn::kWantsNoText},
    {'T', frame::stepLengthOption(step), "-Tn  a step length", frame::kStepLengthWants},
    {'A', actionOption, "-Aaction  what to do with each input"},
    {'C', codeOption, "-Chex  error code for -Afail"},
    {'O', vorn::option_o, "-Ofile  output file", "a file name"},
    {'N', vorn::option_n, ""},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]", "Test probe."};

// Copies the input to the output, then does what -A asked.
int fileProc(const char* name) {
  return frame::withInput(name, [] {
    std::uint8_t chunk[4096];
    std::size_t n;
    bool marked = false;
    while ((n = vorn::InNbyteFix(chunk)) > 0) {
      vorn::OutNByte(std::span(chunk, n));
      marked = marked || std::string_view(reinterpret_cast<char*>(chunk), n).find('!') != std::string_view::npos;
    }
    // Only inputs that hold a "!" fail, so tests can place the failure.
    if (action == "fail" && marked) frame::failInput(failCode);
    if (action == "fail-at" && marked) frame::failInput(failCode, "a bad byte", 3);
    if (action == "oom" && marked) throw std::bad_alloc();
    if (action == "warn") frame::reportError("carrying on");
    if (action == "interrupt-sleep" || action == "terminate-sleep") {
      std::raise(action == "interrupt-sleep" ? SIGINT : SIGTERM);
      frame::sleepMs(60000);
    }
    if (action == "interrupt-read") {
      std::raise(SIGINT);
      frame::openin(nullptr);
      while (vorn::InByte() >= 0) {
      }
    }
    if (action == "flood") {
      std::string line(1000, 'x');
      for (;;) vorn::OutStrz(line);
    }
  });
}

int mainProc() {
  frame::conHook([] { std::fputs("hook ran\n", stderr); });
  frame::standardMain(descriptor, fileProc);
  std::printf("flags=%u step=%g\n", flags, step);
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("PROBE 1.00", argc, argv, mainProc); }
