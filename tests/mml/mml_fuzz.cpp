// Fuzz target: arbitrary source text through the MML compiler. The first
// byte picks the options (listing, expansions in it, bank delay, output
// format and step); the rest is the source. It must compile or stop with a
// syntax error, never crash, hang or grow without bound: the limits below
// keep events, SysEx data, expressions and expansions small, and the output
// goes to /dev/null.
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string_view>

#include "mml/compiler.h"
#include "mml/diagnostic.h"
#include "mml/source_text.h"
#include "mml/writers.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

namespace {

// Events later than this are compiled but not written: a time near 2^31
// at a fine step is hundreds of megabytes of filler records.
constexpr std::uint32_t kLatestWritten = 1u << 18;

mml::CompileSettings fuzzSettings(std::uint8_t choice) {
  mml::CompileSettings settings;
  settings.listExpand = (choice & 2) != 0;
  settings.bankDelay = (choice & 32) ? 10 : 0;
  settings.maxEvents = 1u << 16;
  settings.maxSysexBytes = 1u << 20;
  settings.maxExpressions = 2000;
  settings.maxExpandedBytes = 1u << 16;
  settings.expressionLimits.maxBytes = 1u << 16;
  settings.expressionLimits.maxIterations = 10000;
  return settings;
}

void write(const mml::EventStore& store, const std::vector<mml::EventRecord>& events, std::uint8_t choice) {
  for (const mml::EventRecord& event : events) {
    if (static_cast<std::uint32_t>(event.time) > kLatestWritten) return;
  }
  if (!vorn::openoutf("/dev/null")) std::abort();
  if (choice & 4) {
    static constexpr double kSteps[] = {8.0, 0.5, 3.0, 999.9};
    mml::writeDorna(events, store, kSteps[(choice >> 3) & 3]);
  } else {
    mml::writeOstra(events, store);
  }
  if (!vorn::closeout()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  vorn::clearBreak();
  mml::SourceText source;
  source.beginInput("fuzz.mml");
  source.appendBytes(text);
  source.endInput();

  vorn::ByteOutput listing;
  if (choice & 1) listing.open("/dev/null");
  mml::Compiler compiler(source, fuzzSettings(choice), (choice & 1) ? &listing : nullptr);
  if (compiler.compileSource()) {
    std::vector<mml::EventRecord>& events = compiler.store().trackList;
    mml::orderEvents(events);
    write(compiler.store(), events, choice);
  } else {
    (void)mml::formatDiagnostic(source, compiler.failure());
  }
  if (choice & 1) listing.close();
  return 0;
}
