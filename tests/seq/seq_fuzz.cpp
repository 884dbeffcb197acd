// Fuzz target: arbitrary bytes through zutane's converter (format-1 files
// merged when asked), fendix's renderer and the OSTRA-to-SMF writer. The
// first byte picks the converter and its options; the rest is the input. Neither may crash, hang or read out of bounds, whatever
// the bytes; a fault comes back as a value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "seq/ostra_to_dorna.h"
#include "seq/ostra_to_smf.h"
#include "seq/smf_to_ostra.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  vorn::clearBreak();
  vorn::ByteInput in;
  in.openMemory(input);
  // Output is thrown away: a rest of 2^28 ticks is millions of fillers.
  if (!vorn::openoutf("/dev/null")) std::abort();
  std::optional<seq::InputFault> fault;
  if ((choice & 0x11) == 0x10) {
    // The file written must be one zutane reads back.
    vorn::ByteOutput smf;
    smf.openMemory();
    fault = seq::writeSmfFromOstra(input, smf);
    smf.flush();
    vorn::ByteInput written;
    written.openMemory(smf.memoryBytes());
    if (!fault && seq::convertSmfToOstra(written, {.keepSysEx = true})) std::abort();
  } else if (choice & 1) {
    static constexpr double kSteps[] = {8.0, 0.1, 3.0, 999.9};
    fault = seq::renderOstraToDorna(in, {.stepLength = kSteps[(choice >> 2) & 3], .keepSysEx = (choice & 2) != 0});
  } else {
    fault = seq::convertSmfToOstra(in, {.keepSysEx = (choice & 2) != 0, .mergeTracks = (choice & 4) != 0});
  }
  // A fault always says what was found, and names a byte of the input unless it was empty.
  if (fault && (fault->text.empty() || (fault->offset && *fault->offset > input.size()))) std::abort();
  if (!vorn::closeout()) std::abort();
  return 0;
}
