// WENTAL: splits SysEx files into one file per message, numbered across all
// inputs and named by a pattern (default 00000000.SYX, 00000001.SYX, ...).
// A file of the same name from before the run is overwritten (as split(1)
// does), unless it is an input; a name this run has written already ends
// the run with the first file kept.
#include <optional>
#include <string>

#include "frame/frame.h"
#include "sysex/name_pattern.h"
#include "sysex/scan.h"
#include "sysex/splitter.h"
#include "vornlib/errors.h"

namespace {

std::string baseText;
std::string namePattern = "%1z8;.SYX";

// A pattern that cannot name a file is refused here, before any input is read.
bool optionX(std::string_view text) {
  if (text.empty()) return false;
  if (std::optional<std::string> fault = sysex::namePatternFault(text)) {
    frame::reportError("-X: " + *fault);
    frame::conEnd(frame::kExitBadOption);
  }
  namePattern = std::string(text);
  return true;
}

const vorn::OptionEntry options[] = {
    {'S', [](std::string_view t) { baseText = std::string(t); return true; },
     "-Stext  put text in front of every name (a directory ends with /)", "any text"},
    {'X', optionX,
     "-Xpat   name pattern: %1 number, %2 input base name, %% percent; %1z8; pads to 8 (default %1z8;.SYX)",
     "a name pattern such as %2-%1z3;.syx"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx...]",
                                        "Splits SysEx files into one file per message."};

std::optional<sysex::Splitter> splitter;  // made once the options are known

[[noreturn]] void failNaming(const sysex::SplitFault& fault, const char* name) {
  std::string what = sysex::messageSource(fault.number, name, fault.offset);
  if (fault.kind == sysex::SplitFault::Collision) {
    frame::reportAt(fault.name.c_str(), "already written in this run for " + fault.firstSource + "; " + what +
                                           " not written (give -X a %1 to number the files)");
  } else {
    // The name comes from -S and -X alone; the input is not at fault.
    frame::reportError("-S, -X: no name for " + what + ": " + vorn::errorText(static_cast<std::uint32_t>(fault.error)));
  }
  frame::conBreak();
}

int fileProc(const char* name) {
  return frame::withInput(name, [name] {
    sysex::SplitFault fault = splitter->splitFile(vorn::getinhandle(), name);
    if (fault.kind == sysex::SplitFault::Output) frame::fail(fault.output);
    if (fault.kind == sysex::SplitFault::Naming || fault.kind == sysex::SplitFault::Collision) failNaming(fault, name);
    if (fault.kind == sysex::SplitFault::MalformedMessage) {
      frame::failInput(vorn::kErrMalformedInput, sysex::cutMessageText(vorn::getinhandle(), fault.offset),
                       vorn::currentInputOffset());
    }
  });
}

int mainProc() {
  // A break leaves the finished files and removes the one being written.
  frame::conHook([] {
    if (splitter) splitter->discardUnfinished();
  });
  int files = frame::analoptionEx(descriptor);
  splitter.emplace(baseText, namePattern);
  frame::forEachInput(descriptor, files, fileProc);
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("WENTAL 1.00", argc, argv, mainProc); }
