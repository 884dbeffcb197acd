// OKTILE: extracts the System Exclusive messages of Standard MIDI Files into
// SysEx files, merging the tracks' messages in time order; all inputs into
// one output, or with -E one ".syx" file per input.
//
// A fault costs only its file (or track): it is reported and the next file
// is read; the status is 1 at the end.
#include <unistd.h>

#include <new>
#include <optional>
#include <string>

#include "frame/frame.h"
#include "sysex/per_file_output.h"
#include "sysex/smf_file_open.h"
#include "sysex/smf_reader.h"

namespace {

sysex::PerFileOutputs perFile;  // -E

const vorn::OptionEntry options[] = {
    {'O', vorn::option_o, "-Ofile  write the SysEx file there (default standard output)", "a file name"},
    {'E', [](std::string_view t) { return perFile.dirOption(t); },
     "-Edir   one output per input: dir/<input base name>.syx (empty dir: here)",
     "a directory (any text; empty for the current one)"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.mid...]",
                                        "Extracts the SysEx messages of Standard MIDI Files into SysEx files."};

// Returns 0 (the walk ends) only when no output path can be made.
int fileProc(const char* name) {
  try {
    vorn::ByteInput in;
    sysex::SmfInfo smf;
    if (!frame::orReport(sysex::openSmfFile(name, in, smf))) return 1;
    // The tracks are read again later: a fault then ends the run, as the current input's does.
    in.setFaultHandler(frame::endOnStreamFault);
    if (perFile.on()) {
      std::optional<std::string> path = perFile.pathFor(name);
      if (!path) {
        frame::reportAt(name, "パス解析エラー");
        return 0;
      }
      if (!frame::orReport(perFile.open(*path, name, vorn::getouthandle()))) return 1;
    }
    sysex::ProblemReporter report = [name](const sysex::SmfProblem& problem) {
      frame::reportAt(name, sysex::trackProblemText(problem), problem.offset);
    };
    sysex::parseTracks(smf, report);
    sysex::writeMergedMessages(smf, vorn::getouthandle(), report);
  } catch (const std::bad_alloc&) {
    frame::reportAt(name, "out of memory");
  }
  // What was written for this file stays, whatever happened after it.
  if (perFile.on()) frame::closeout();
  return 1;
}

// Without file arguments standard input is read, as every tool does, unless
// it is a terminal: nobody types a Standard MIDI File.
int mainProc() {
  int files = frame::analoptionEx(descriptor);
  if (!perFile.on()) frame::openout();
  if (files > 0) {
    vorn::analfileExec(descriptor, fileProc);
  } else if (!::isatty(STDIN_FILENO)) {
    fileProc(nullptr);
  } else {
    frame::reportNote("no input files: name Standard MIDI Files, or pipe one in");
  }
  if (!perFile.on()) frame::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("OKTILE 1.00", argc, argv, mainProc); }
