// zembra: compiles MML (Music Macro Language) into an OSTRA sequence, or
// with -P into a DORNA stream. The inputs (files, ":" source text, "*" for
// standard input) are joined into one source, compiled in one pass, ordered
// by time and written; a compile error writes nothing.
#include <memory>
#include <string_view>

#include "frame/frame.h"
#include "mml/driver.h"
#include "mml/source_input.h"
#include "mml/source_text.h"
#include "vornlib/numbers.h"
#include "vornlib/options.h"
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

bool bareFlag(std::string_view text, auto set) {
  if (!text.empty()) return false;
  set();
  return true;
}

const vorn::OptionEntry kOptions[] = {
    {'D', bankDelayOption, "-Dn      ticks between bank select and program change (default 0)"},
    {'L', listingOption, "-Lfile   write a listing of the source, with any error at its end"},
    {'N', vorn::option_n, "-N       accepted and ignored"},
    {'O', vorn::option_o, "-Ofile   write to file instead of standard output"},
    {'P', [](std::string_view t) { return bareFlag(t, [] { settings.tickMode = false; }); },
     "-P       write a DORNA stream"},
    {'Q', [](std::string_view t) { return bareFlag(t, [] { settings.tickMode = true; }); },
     "-Q       write an OSTRA sequence (the default)"},
    {'T', frame::stepLengthOption(settings.stepInterval), "-Tn      DORNA step length in ms, 0.1 to 999.9 (default 8)"},
    {'X', [](std::string_view t) { return bareFlag(t, [] { settings.listExpand = false; }); },
     "-X       leave expansion texts out of the listing"},
};

const vorn::OptionDescriptor kDescriptor{
    kOptions, 0, "[options] [file | :source | *]...",
    "Compiles MML into an OSTRA sequence (or a DORNA stream with -P) on standard output."};

int mainProc() {
  int files = vorn::analoptionEx(kDescriptor);
  mml::SourceText srcBlock;
  vorn::openout();
  std::unique_ptr<vorn::ByteOutput> listingFile;
  if (!settings.listingName.empty()) listingFile = vorn::nfOpenOut(settings.listingName.c_str());
  if (files > 0) {
    vorn::analfileExec(kDescriptor, [&](const char* name) {
      mml::appendInput(srcBlock, name);
      return 1;
    });
  } else {
    mml::appendInput(srcBlock, nullptr);
  }
  mml::compileAndWrite(srcBlock, settings, listingFile.get());
  if (listingFile) listingFile->close();
  vorn::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZEMBRA 1.00", argc, argv, mainProc); }
