// WENTAL: splits SysEx files into one file per message, numbered across all
// inputs and named by a pattern (default 00000000.SYX, 00000001.SYX, ...).
#include <optional>
#include <string>

#include "frame/frame.h"
#include "sysex/splitter.h"
#include "vornlib/errors.h"

namespace {

std::string baseText;
std::string namePattern = "%1z8;.SYX";

const vorn::OptionEntry options[] = {
    {'S', [](std::string_view t) { baseText = std::string(t); return true; },
     "-Stext  put text in front of every name (a directory ends with /)"},
    {'X', [](std::string_view t) { if (t.empty()) return false; namePattern = std::string(t); return true; },
     "-Xpat   name pattern: %1 number, %2 input base name, %% percent; %1z8; pads to 8 (default %1z8;.SYX)"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx...]",
                                        "Splits SysEx files into one file per message."};

std::optional<sysex::Splitter> splitter;  // made once the options are known

int fileProc(const char* name) {
  return frame::withInput(name, [name] {
    sysex::SplitFault fault = splitter->splitFile(vorn::getinhandle(), name);
    if (fault.kind == sysex::SplitFault::Naming) {
      vorn::errBoxCodeEx(static_cast<std::uint32_t>(fault.error), name);
      vorn::conBreak();
    }
    if (fault.kind == sysex::SplitFault::MalformedMessage) frame::failInput(vorn::kErrMalformedInput);
  });
}

int mainProc() {
  vorn::conHook([] {});
  int files = vorn::analoptionEx(descriptor);
  splitter.emplace(baseText, namePattern);
  if (files > 0) {
    vorn::analfileExec(descriptor, fileProc);
  } else {
    fileProc(nullptr);
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("WENTAL 1.00", argc, argv, mainProc); }
