// GORBEL: wraps SysEx files into a Standard MIDI File that plays their
// messages one after the other. An argument ";n" is a pause of n ms.
// Nothing is written unless every input was read without error.
//
// The inputs are read twice, in constant memory: the first pass checks
// every message and measures the track, whose length goes before its
// events; the second writes the file. What a pipe gave is kept in a
// temporary file between the two.
#include <new>

#include "frame/frame.h"
#include "frame/on_every_way_out.h"
#include "seq/smf_writer.h"
#include "sysex/two_pass_wrap.h"

namespace {

constexpr std::string_view kNoMemory = "メモリが足りません";

std::uint32_t gapMs = 0;
std::uint32_t bpm = 120;

const vorn::OptionEntry options[] = {
    {'D', vorn::numberOption(gapMs, 0, 19999), "-Dn     extra gap after each message, 0..19999 ms (default 0)",
     "a whole number of milliseconds from 0 to 19999"},
    {'T', vorn::numberOption(bpm, 40, 249), "-Tn     tempo, 40..249 quarter notes a minute (default 120)",
     "a whole number of quarter notes a minute from 40 to 249"},
    {'O', vorn::option_o, "-Ofile  write the SMF there (default standard output)", "a file name"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx | ;ms]...",
                                        "Wraps SysEx files into a Standard MIDI File; \";ms\" adds a pause."};

// The pass being run and the inputs kept; dropped whole when the run fails.
sysex::TwoPassWrap wrap;

int fileProc(const char* name) {
  frame::orEnd(wrap.add(name, frame::endOnStreamFault));
  return 1;
}

// One pass over every input, the track written to `out`; returns its length.
std::uint64_t runPass(int files, vorn::ByteOutput& out) {
  wrap.startPass(bpm, gapMs, out);
  frame::forEachInput(descriptor, files, fileProc);
  frame::orEnd(wrap.finish());
  return wrap.trackLength();
}

int mainProc() {
  // Whatever ends the run (an error, with status 1; a break, 130) drops what
  // was built first; nothing was written.
  frame::OnEveryWayOut dropOnExit([] { wrap.drop(); });
  try {
    int files = frame::analoptionEx(descriptor);
    // Refused before the inputs are read, though nothing is written before the end anyway.
    frame::refuseOutputThatIsInput(vorn::outputName());
    vorn::ByteOutput measured;
    measured.openCounting();
    std::uint64_t length = runPass(files, measured);
    frame::openout();
    seq::writeSmfHead(vorn::getouthandle(), sysex::kSmfTicksPerQuarter, static_cast<std::uint32_t>(length));
    if (runPass(files, vorn::getouthandle()) != length) {
      frame::reportError("an input changed while it was read; the file written is not whole");
      frame::conBreak();
    }
    frame::closeout();
  } catch (const std::bad_alloc&) {
    wrap.drop();  // first, to have the memory for the report
    frame::reportError(kNoMemory);
    return 0;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("GORBEL 1.00", argc, argv, mainProc); }
