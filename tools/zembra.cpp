// zembra: compiles MML (Music Macro Language) into an OSTRA sequence, or
// with -P into a DORNA stream, or with -S into a Standard MIDI File. The inputs (files, ":" source text, "*" for
// standard input) are joined into one source, compiled in one pass, ordered
// by time and written. A compile error writes no output, only the listing
// (when asked for), which shows where the compilation stopped.
#include <optional>
#include <string_view>

#include "frame/frame.h"
#include "mml/driver.h"
#include "mml/source_input.h"
#include "mml/source_text.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/options.h"
#include "vornlib/run_inputs.h"
#include "vornlib/streams.h"

namespace {

mml::DriverSettings settings;

bool bankDelayOption(std::string_view text) {
  vorn::StrzSkipSp(text);
  return vorn::parseWholeDecimal(text, settings.bankDelay);
}

bool listingOption(std::string_view text) {
  if (text.empty()) return false;
  settings.listingName = std::string(text);
  return true;
}

const vorn::OptionEntry kOptions[] = {
    {'D', bankDelayOption, "-Dn      ticks between bank select and program change (default 0)",
     "a number of ticks (0 to 4294967295)"},
    {'L', listingOption, "-Lfile   write a listing of the source, with any error at its end", "a file name"},
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
// refused before anything is read or written. "*" reads standard input,
// which then counts among the inputs.
void refuseOutputsThatAreInputs() {
  for (const char* word : vorn::fileArguments()) {
    if (std::string_view(word) == "*") vorn::addRunInput(nullptr);
  }
  vorn::refuseOutputThatIsInput(vorn::outputName());
  if (!settings.listingName.empty()) vorn::refuseOutputThatIsInput(settings.listingName.c_str());
}

void appendOrFail(mml::SourceText& srcBlock, const char* name) {
  std::optional<mml::SourceTooLarge> tooLarge = mml::appendInput(srcBlock, name);
  if (!tooLarge) return;
  vorn::reportAt(tooLarge->name.c_str(), "the source text is larger than 1 GiB", tooLarge->offset);
  vorn::conBreak();
}

int mainProc() {
  int files = vorn::analoptionEx(kDescriptor);
  refuseOutputsThatAreInputs();
  mml::SourceText srcBlock;
  frame::forEachInput(kDescriptor, files, [&](const char* name) {
    appendOrFail(srcBlock, name);
    return 1;
  });
  mml::compileAndWrite(srcBlock, settings);
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZEMBRA 1.00", argc, argv, mainProc); }
