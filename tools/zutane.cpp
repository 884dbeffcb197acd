// zutane: converts format-0 Standard MIDI Files into OSTRA sequences, and
// with -M format-1 files, whose tracks it merges in time order.
#include <cstdint>

#include "frame/frame.h"
#include "seq/foreign_input.h"
#include "seq/smf_to_ostra.h"

namespace {

constexpr std::uint32_t kFlagSysEx = 1;
constexpr std::uint32_t kFlagMerge = 2;

std::uint32_t flags = 0;

const vorn::OptionEntry options[] = {
    {'M', frame::flagOption(flags, kFlagMerge), "-M      merge the tracks of a format-1 file in time order",
     vorn::kWantsNoText},
    {'O', vorn::option_o, "-Ofile  write the OSTRA sequence to file instead of standard output", "a file name"},
    {'X', frame::flagOption(flags, kFlagSysEx), "-X      keep SysEx events (dropped by default)", vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]",
                                        "Converts format-0 Standard MIDI Files (format 1 with -M) into OSTRA sequences."};

int fileProc(const char* name) {
  return frame::withInput(name, [] {
    if (auto foreign = seq::foreignInput(vorn::getinhandle(), seq::Expected::smf)) frame::failInput(*foreign);
    seq::ConvertOptions convert{.keepSysEx = (flags & kFlagSysEx) != 0, .mergeTracks = (flags & kFlagMerge) != 0};
    if (auto fault = seq::convertSmfToOstra(vorn::getinhandle(), convert)) frame::failInput(*fault);
  });
}

int mainProc() {
  return frame::standardMain(descriptor, fileProc);
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZUTANE 1.00", argc, argv, mainProc); }
