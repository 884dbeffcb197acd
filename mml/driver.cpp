#include "mml/driver.h"

#include "mml/diagnostic.h"
#include "mml/writers.h"
#include "vornlib/numbers.h"

namespace mml {
namespace {

std::unique_ptr<vorn::ByteOutput> listingFor(const DriverSettings& settings) {
  if (settings.listingName.empty()) return nullptr;
  auto listing = std::make_unique<vorn::ByteOutput>();
  listing->openMemory();
  return listing;
}

CompileSettings compileSettingsOf(const DriverSettings& settings) {
  CompileSettings compileSettings;
  compileSettings.bankDelay = settings.bankDelay;
  compileSettings.listExpand = settings.listExpand;
  return compileSettings;
}

}  // namespace

bool DriverSettings::readBankDelay(std::string_view text) {
  vorn::StrzSkipSp(text);
  return vorn::parseWholeDecimal(text, bankDelay);
}

bool DriverSettings::readListingName(std::string_view text) {
  if (text.empty()) return false;
  listingName = std::string(text);
  return true;
}

Compilation::Compilation(const SourceText& srcBlock, const DriverSettings& settings)
    : srcBlock_(srcBlock),
      settings_(settings),
      listing_(listingFor(settings)),
      compiler_(srcBlock, compileSettingsOf(settings), listing_.get()) {
  compiled_ = compiler_.compileSource();
}

std::vector<std::string> Compilation::warningLines() const {
  std::vector<std::string> lines;
  for (const CompileWarning& warning : compiler_.warnings()) lines.push_back(formatWarning(srcBlock_, warning));
  return lines;
}

std::string Compilation::diagnostic() const {
  return formatDiagnostic(srcBlock_, compiler_.failure()) + "KORMAVE: syntax error\n";
}

vorn::Status Compilation::prepare() {
  std::vector<EventRecord>& events = compiler_.store().trackList;
  orderEvents(events);
  if (settings_.output != OutputForm::smf) return {};
  // The file goes out only once the whole sequence has been measured: the
  // only fault, a tempo slower than a set-tempo event carries, leaves the
  // output empty, as a compile error does.
  sequence_.openMemory();
  writeOstra(events, compiler_.store(), sequence_);
  sequence_.flush();
  if (!sequence_.status()) return sequence_.status();
  smf_.emplace(sequence_.memoryBytes());
  if (smf_->fault()) return *smf_->fault();
  return {};
}

void Compilation::write(vorn::ByteOutput& out) {
  const std::vector<EventRecord>& events = compiler_.store().trackList;
  switch (settings_.output) {
    case OutputForm::smf: return smf_->write(out);
    case OutputForm::ostra: return writeOstra(events, compiler_.store(), out);
    case OutputForm::dorna: return writeDorna(events, compiler_.store(), settings_.stepInterval, out);
  }
}

const std::string* Compilation::listing() {
  if (!listing_) return nullptr;
  listing_->flush();
  return &listing_->memoryBytes();
}

}  // namespace mml
