#include "mml/driver.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "mml/compiler.h"
#include "mml/diagnostic.h"
#include "mml/writers.h"
#include "seq/ostra_to_smf.h"
#include "vornlib/console.h"
#include "vornlib/streams.h"

namespace mml {
namespace {

void showFailure(const SourceText& srcBlock, const CompileFailure& failure) {
  std::string diagnostic = formatDiagnostic(srcBlock, failure);
  std::size_t firstLineEnd = diagnostic.find('\n');
  vorn::reportGlossedError(diagnostic.substr(0, firstLineEnd));
  std::string rest = diagnostic.substr(firstLineEnd + 1) + "KORMAVE: syntax error\n";
  std::fwrite(rest.data(), 1, rest.size(), stderr);
  std::fflush(stderr);
}

// The file goes out only once the whole sequence has been measured: the
// only fault, a tempo slower than a set-tempo event carries, leaves the
// output empty, as a compile error does.
void writeSmf(std::span<const EventRecord> events, const EventStore& store) {
  vorn::ByteOutput sequence;
  sequence.openMemory();
  writeOstra(events, store, sequence);
  sequence.flush();
  seq::SmfFromOstra file(sequence.memoryBytes());
  if (file.fault()) {
    vorn::reportError(file.fault()->text);
    vorn::conEnd(vorn::kExitError);
  }
  vorn::openout();
  file.write(vorn::getouthandle());
  vorn::closeout();
}

void writeEvents(Compiler& compiler, const DriverSettings& settings) {
  std::vector<EventRecord>& events = compiler.store().trackList;
  orderEvents(events);
  if (settings.output == OutputForm::smf) return writeSmf(events, compiler.store());
  vorn::openout();
  if (settings.output == OutputForm::ostra) {
    writeOstra(events, compiler.store());
  } else {
    writeDorna(events, compiler.store(), settings.stepInterval);
  }
  vorn::closeout();
}

void saveListing(vorn::ByteOutput& listing, const std::string& name) {
  listing.flush();
  std::unique_ptr<vorn::ByteOutput> file = vorn::nfOpenOut(name.c_str());
  file->write(listing.memoryBytes());
  file->close();
}

}  // namespace

void compileAndWrite(const SourceText& srcBlock, const DriverSettings& settings) {
  CompileSettings compileSettings;
  compileSettings.bankDelay = settings.bankDelay;
  compileSettings.listExpand = settings.listExpand;
  std::unique_ptr<vorn::ByteOutput> listing;
  if (!settings.listingName.empty()) {
    listing = std::make_unique<vorn::ByteOutput>();
    listing->openMemory();
  }
  Compiler compiler(srcBlock, compileSettings, listing.get());
  bool compiled = compiler.compileSource();
  for (const CompileWarning& warning : compiler.warnings()) vorn::reportNote(formatWarning(srcBlock, warning));
  std::optional<vorn::RunEnded> outputFailed;
  if (compiled) {
    try {
      writeEvents(compiler, settings);
    } catch (const vorn::RunEnded& ended) {
      // An output that failed (and was reported) leaves the listing to be written.
      if (ended.status != vorn::kExitError || !listing) throw;
      outputFailed = ended;
    }
  } else {
    showFailure(srcBlock, compiler.failure());
  }
  if (listing) saveListing(*listing, settings.listingName);
  if (outputFailed) throw *outputFailed;
  if (!compiled) vorn::conBreak();
}

}  // namespace mml
