// zamodump: shows OSTRA sequences, DORNA streams, Standard MIDI Files and
// SysEx files as text, one event a line. A Standard MIDI File ("MThd") and a
// SysEx file (F0 and a data byte) are known by their first bytes; anything
// else is read as OSTRA, or as DORNA with -P; without -P or -Q a name ending
// in ".dorna" or ".ostra" chooses.
//
// A fault costs only its file: what was read is shown, the fault is reported
// with its byte offset, and the next file is read; the status is 1 at the end.
//
// With -I it reads a MIDI input instead, one line a message as it arrives,
// until Ctrl-C, the time-out of -W, or the input going away.
#include <string>
#include <string_view>
#include <vector>

#include "frame/frame.h"
#include "midiio/live_dump.h"
#include "sysex/any_file_dump.h"
#include "sysex/summary_describer.h"

namespace {

sysex::AnyFileDumpOptions dumpOptions;

midiio::LiveDumpOptions liveOptions;  // -I, -W, -S

const vorn::OptionEntry options[] = {
    {'P', frame::flagOption([] { dumpOptions.chosen = seq::RecordShapes::dorna; }),
     "-P      read DORNA streams (files that are neither SMF nor SysEx)", vorn::kWantsNoText},
    {'Q', frame::flagOption([] { dumpOptions.chosen = seq::RecordShapes::ostra; }),
     "-Q      read OSTRA sequences (the default, unless a name ends in .dorna); the last of -P/-Q counts",
     vorn::kWantsNoText},
    {'T', frame::stepLengthOption(dumpOptions.records.stepMs),
     "-Tms    DORNA step length in milliseconds, 0.1 to below 1000 (default 8)", frame::kStepLengthWants},
    {'O', vorn::option_o, "-Ofile  write the text to file instead of standard output", "a file name"},
    {'I', [](std::string_view t) { return liveOptions.input(t); },
     "-Iname  show what arrives at this MIDI input instead (-I alone: ZAMO_MIDI_IN, else the first)"},
    {'W', [](std::string_view t) { return liveOptions.timeout(t); },
     "-Ws     with -I: end when nothing arrives for s seconds, 1 to 120 (-W alone: never)",
     "nothing, or whole seconds from 1 to 120"},
    {'S', frame::flagOption([] { liveOptions.skipClocks(); }),
     "-S      with -I: skip timing clock and active sensing", vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]",
                                        "Shows OSTRA, DORNA, Standard MIDI and SysEx files, or a MIDI input, as text, "
                                        "one event a line."};

int fileProc(const char* name) {
  if (auto fault = sysex::dumpFile(name, dumpOptions, vorn::getouthandle())) {
    frame::reportAt(name, fault->text, fault->offset);
  }
  return 1;
}

// The input's dump tells what it lost only once it has ended.
void dumpInput() {
  frame::conHook(midiio::closeLiveInput);
  sysex::SummaryDescriber describer;
  std::vector<std::string> losses;
  frame::orEnd(midiio::dumpLiveInput(liveOptions, describer, frame::reportNote, losses));
  for (const std::string& loss : losses) frame::reportError(loss);
}

int mainProc() {
  const int files = frame::analoptionEx(descriptor);
  frame::orEnd(liveOptions.fitFiles(files));
  if (liveOptions.live) {
    dumpInput();
    return 1;
  }
  frame::openout();
  frame::forEachInput(descriptor, files, fileProc);
  frame::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZAMODUMP 1.00", argc, argv, mainProc); }
