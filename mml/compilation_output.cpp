#include "mml/compilation_output.h"

#include "vornlib/streams.h"

namespace mml {

vorn::Status writeCompilation(Compilation& compilation, bool keepFaults) {
  if (vorn::Status prepared = compilation.prepare(); !prepared) return prepared;
  if (vorn::Status opened = vorn::openout(); !opened) return opened;
  vorn::ByteOutput& out = vorn::getouthandle();
  const vorn::StreamFaultHandler handler = out.faultHandler();
  if (keepFaults) out.setFaultHandler(nullptr);
  compilation.write(out);
  vorn::Status closed = vorn::closeout();
  out.setFaultHandler(handler);
  return closed;
}

}  // namespace mml
