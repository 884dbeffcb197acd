// zembra: compiles MML (Music Macro Language) into an OSTRA sequence, or
// with -P into a DORNA stream, or with -S into a Standard MIDI File. The inputs (files, ":" source text, "*" for
// standard input) are joined into one source, compiled in one pass, ordered
// by time and written. A compile error writes no output, only the listing
// (when asked for), which shows where the compilation stopped.
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "mml/compilation_output.h"
#include "mml/driver.h"
#include "mml/source_input.h"
#include "mml/source_text.h"
#include "vornlib/options.h"

namespace {

mml::DriverSettings settings;

const vorn::OptionEntry kOptions[] = {
    {'D', [](std::string_view t) { return settings.readBankDelay(t); },
     "-Dn      ticks between bank select and program change (default 0)", "a number of ticks (0 to 4294967295)"},
    {'L', [](std::string_view t) { return settings.readListingName(t); },
     "-Lfile   write a listing of the source, with any error at its end", "a file name"},
    {'N', vorn::option_n, "", "any text (it is ignored)"},
    {'O', vorn::option_o, "-Ofile   write to file instead of standard output", "a file name"},
    {'P', frame::flagOption([] { settings.output = mml::OutputForm::dorna; }), "-P       write a DORNA stream",
     vorn::kWantsNoText},
    {'Q', frame::flagOption([] { settings.output = mml::OutputForm::ostra; }),
     "-Q       write an OSTRA sequence (the default)", vorn::kWantsNoText},
    {'S', frame::flagOption([] { settings.output = mml::OutputForm::smf; }),
     "-S       write a Standard MIDI File (format 0, 480 ticks per quarter note)", vorn::kWantsNoText},
    {'T', frame::stepLengthOption(settings.stepInterval), "-Tn      DORNA step length in ms, 0.1 to 999.9 (default 8)",
     frame::kStepLengthWants},
    {'X', frame::flagOption([] { settings.listExpand = false; }), "-X       leave expansion texts out of the listing",
     vorn::kWantsNoText},
};

const vorn::OptionDescriptor kDescriptor{
    kOptions, 0, "[options] [file | :source | *]...",
    "Compiles MML into an OSTRA sequence (a DORNA stream with -P, a Standard MIDI File with -S)\n"
    "on standard output; of -P, -Q and -S the last given counts."};

// Neither the output nor the listing may be one of the inputs: both are
// refused before anything is read. A fault of the output waits until the
// listing is written (a break and a closed pipe end the run at once).
int mainProc() {
  int files = frame::analoptionEx(kDescriptor);
  const bool listingWaits = !settings.listingName.empty();
  mml::countStandardInput(vorn::fileArguments());
  frame::refuseOutputThatIsInput(vorn::outputName());
  if (listingWaits) frame::refuseOutputThatIsInput(settings.listingName.c_str());
  mml::SourceText srcBlock;
  frame::forEachInput(kDescriptor, files, [&](const char* name) {
    frame::orEnd(mml::appendInput(srcBlock, name));
    return 1;
  });
  mml::Compilation compilation(srcBlock, settings);
  if (compilation.interrupted()) frame::fail(vorn::interruptedFault());
  for (const std::string& warning : compilation.warningLines()) frame::reportNote(warning);
  bool written = false;
  if (compilation.compiled()) {
    const vorn::Status done = mml::writeCompilation(compilation, listingWaits);
    if (!listingWaits) frame::orEnd(done);
    written = frame::orReport(done);
  } else {
    frame::reportGlossedLines(compilation.diagnostic());
  }
  if (const std::string* listing = compilation.listing()) frame::writeWholeFile(settings.listingName.c_str(), *listing);
  if (!written) frame::conBreak();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZEMBRA 1.00", argc, argv, mainProc); }
