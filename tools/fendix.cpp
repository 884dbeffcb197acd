// fendix: renders OSTRA sequences into a DORNA stream of fixed output steps.
#include <cstdint>

#include "frame/frame.h"
#include "seq/foreign_input.h"
#include "seq/ostra_to_dorna.h"

namespace {

constexpr std::uint32_t kFlagSysEx = 1;

std::uint32_t flags = 0;
double stepLength = 8.0;  // in 1/1024 second

const vorn::OptionEntry options[] = {
    {'O', vorn::option_o, "-Ofile  write the DORNA stream to file instead of standard output", "a file name"},
    {'T', frame::stepLengthOption(stepLength), "-Tn     step length in 1/1024 second, 0.1 to below 1000 (default 8)",
     frame::kStepLengthWants},
    {'X', frame::flagOption(flags, kFlagSysEx), "-X      keep SysEx records (dropped by default)", vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]",
                                        "Renders OSTRA sequences into a DORNA stream of fixed steps."};

int fileProc(const char* name) {
  return frame::withInput(name, [] {
    if (auto foreign = seq::foreignInput(vorn::getinhandle(), seq::Expected::ostra)) frame::failInput(*foreign);
    seq::RenderOptions render{.stepLength = stepLength, .keepSysEx = (flags & kFlagSysEx) != 0};
    if (auto fault = seq::renderOstraToDorna(vorn::getinhandle(), render)) frame::failInput(*fault);
  });
}

int mainProc() {
  return frame::standardMain(descriptor, fileProc);
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("FENDIX 1.00", argc, argv, mainProc); }
