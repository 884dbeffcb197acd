#include "mml/driver.h"

#include <cstdio>

#include "mml/compiler.h"
#include "mml/diagnostic.h"
#include "mml/writers.h"
#include "vornlib/console.h"

namespace mml {

void compileAndWrite(const SourceText& srcBlock, const DriverSettings& settings, vorn::ByteOutput* listingFile) {
  CompileSettings compileSettings;
  compileSettings.bankDelay = settings.bankDelay;
  compileSettings.listExpand = settings.listExpand;
  Compiler compiler(srcBlock, compileSettings, listingFile);
  if (!compiler.compileSource()) {
    if (listingFile != nullptr) listingFile->close();
    std::string diagnostic = formatDiagnostic(srcBlock, compiler.failure());
    std::size_t firstLineEnd = diagnostic.find('\n');
    vorn::reportError(diagnostic.substr(0, firstLineEnd));
    std::fwrite(diagnostic.data() + firstLineEnd + 1, 1, diagnostic.size() - firstLineEnd - 1, stderr);
    vorn::conErrorMsg("KORMAVE: syntax error\n");
  }
  std::vector<EventRecord>& events = compiler.store().trackList;
  orderEvents(events);
  if (settings.tickMode) {
    writeOstra(events, compiler.store());
  } else {
    writeDorna(events, compiler.store(), settings.stepInterval);
  }
}

}  // namespace mml
