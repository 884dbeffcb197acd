// GORBEL: wraps SysEx files into a Standard MIDI File that plays their
// messages one after the other. An argument ";n" is a pause of n ms.
// Nothing is written unless every input was read without error.
//
// The inputs are read twice, in constant memory: the first pass checks
// every message and measures the track, whose length goes before its
// events; the second writes the file. What a pipe gave is kept in a
// temporary file between the two.
#include <cerrno>
#include <memory>
#include <new>

#include "frame/frame.h"
#include "seq/smf_writer.h"
#include "sysex/inputs_read_twice.h"
#include "sysex/wrap_pass.h"
#include "vornlib/numbers.h"

namespace {

constexpr std::string_view kNoMemory = "メモリが足りません";

std::uint32_t gapMs = 0;
std::uint32_t bpm = 120;

bool numberIn(std::string_view text, std::uint32_t low, std::uint32_t high, std::uint32_t& out) {
  std::uint32_t value;
  if (!vorn::parseWholeDecimal(text, value) || value < low || value > high) return false;
  out = value;
  return true;
}

const vorn::OptionEntry options[] = {
    {'D', [](std::string_view t) { return numberIn(t, 0, 19999, gapMs); },
     "-Dn     extra gap after each message, 0..19999 ms (default 0)", "a whole number of milliseconds from 0 to 19999"},
    {'T', [](std::string_view t) { return numberIn(t, 40, 249, bpm); },
     "-Tn     tempo, 40..249 quarter notes a minute (default 120)",
     "a whole number of quarter notes a minute from 40 to 249"},
    {'O', vorn::option_o, "-Ofile  write the SMF there (default standard output)", "a file name"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx | ;ms]...",
                                        "Wraps SysEx files into a Standard MIDI File; \";ms\" adds a pause."};

// The pass being run; dropped whole, with the inputs kept, when the run fails.
std::unique_ptr<sysex::WrapPass> pass;
sysex::InputsReadTwice inputs;

int fileProc(const char* name) {
  if (name && name[0] == ';') {
    pass->addPause(name + 1);
    return 1;
  }
  std::unique_ptr<vorn::ByteInput> in = inputs.nextKept();
  if (!in) {
    in = frame::nfOpenIn(name);
    if (!in->makeRereadable()) {
      frame::reportCodeFor(static_cast<std::uint32_t>(errno), name);
      frame::conBreak();
    }
  }
  frame::orEnd(pass->addInput(*in, name));
  inputs.keep(name, std::move(in));
  return 1;
}

// One pass over every input, the track written to `out`; returns its length.
std::uint64_t runPass(int files, vorn::ByteOutput& out) {
  pass = std::make_unique<sysex::WrapPass>(bpm, gapMs, out);
  frame::forEachInput(descriptor, files, fileProc);
  frame::orEnd(pass->finish());
  return pass->trackLength();
}

void dropAll() {
  pass.reset();
  inputs.clear();
}

// Whatever ends the run (an error, with status 1; a break, 130) drops what
// was built first; nothing was written.
struct DropAllOnExit {
  ~DropAllOnExit() { dropAll(); }
};

int mainProc() {
  DropAllOnExit dropOnExit;
  try {
    int files = frame::analoptionEx(descriptor);
    // Refused before the inputs are read, though nothing is written before the end anyway.
    frame::refuseOutputThatIsInput(vorn::outputName());
    vorn::ByteOutput measured;
    measured.openCounting();
    inputs.startPass(false);
    std::uint64_t length = runPass(files, measured);
    inputs.startPass(true);
    frame::openout();
    seq::writeSmfHead(vorn::getouthandle(), sysex::kSmfTicksPerQuarter, static_cast<std::uint32_t>(length));
    if (runPass(files, vorn::getouthandle()) != length) {
      frame::reportError("an input changed while it was read; the file written is not whole");
      frame::conBreak();
    }
    frame::closeout();
  } catch (const std::bad_alloc&) {
    dropAll();  // first, to have the memory for the report
    frame::reportError(kNoMemory);
    return 0;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("GORBEL 1.00", argc, argv, mainProc); }
