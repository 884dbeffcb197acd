// zembra: compiles MML (Music Macro Language) into an OSTRA sequence, or
// with -P into a DORNA stream, or with -S into a Standard MIDI File. The inputs (files, ":" source text, "*" for
// standard input) are joined into one source, compiled in one pass, ordered
// by time and written. A compile error writes no output, only the listing
// (when asked for), which shows where the compilation stopped.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
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
  frame::refuseOutputThatIsInput(vorn::outputName());
  if (!settings.listingName.empty()) frame::refuseOutputThatIsInput(settings.listingName.c_str());
}

// The diagnostic's first line is the report; the source lines under it follow as they are.
void showFailure(const mml::Compilation& compilation) {
  std::string diagnostic = compilation.diagnostic();
  std::size_t firstLineEnd = diagnostic.find('\n');
  frame::reportGlossedError(diagnostic.substr(0, firstLineEnd));
  std::string rest = diagnostic.substr(firstLineEnd + 1);
  std::fwrite(rest.data(), 1, rest.size(), stderr);
  std::fflush(stderr);
}

// The output is opened only now: a compile error leaves a file of its name
// as it was. A fault of the output is reported; with a listing still to be
// written, the run ends only after the listing (a break and a closed pipe
// end it at once all the same).
vorn::Status writeOutput(mml::Compilation& compilation) {
  vorn::Status done = compilation.prepare();
  vorn::ByteOutput& out = vorn::getouthandle();
  const bool listingWaits = !settings.listingName.empty();
  if (done) done = vorn::openout();
  if (done) {
    if (listingWaits) out.setFaultHandler(nullptr);
    compilation.write(out);
    done = vorn::closeout();
    out.setFaultHandler(frame::endOnStreamFault);
  }
  if (done) return done;
  const vorn::Fault& fault = done.fault();
  if (!listingWaits || vorn::isInterruption(fault) || fault.code == EPIPE) frame::fail(fault);
  frame::report(fault);
  return done;
}

void saveListing(const std::string& listing) {
  std::unique_ptr<vorn::ByteOutput> file = frame::nfOpenOut(settings.listingName.c_str());
  file->write(listing);
  file->close();
}

int mainProc() {
  int files = frame::analoptionEx(kDescriptor);
  refuseOutputsThatAreInputs();
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
    written = writeOutput(compilation).ok();
  } else {
    showFailure(compilation);
  }
  if (const std::string* listing = compilation.listing()) saveListing(*listing);
  if (!written) frame::conBreak();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZEMBRA 1.00", argc, argv, mainProc); }
