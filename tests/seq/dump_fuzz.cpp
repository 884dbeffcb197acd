// Fuzz target: arbitrary bytes through zamodump's readers. The first byte
// picks the reader (OSTRA, DORNA, SMF, SysEx file); the rest is the input.
// None may crash, hang or read out of bounds; a fault comes back as a value
// that says what was found and names a byte of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "seq/record_dump.h"
#include "seq/smf_dump.h"
#include "sysex/summary_describer.h"
#include "sysex/sysex_file_dump.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  vorn::clearBreak();
  vorn::ByteInput in;
  in.openMemory(input);
  vorn::ByteOutput out;
  if (!out.open("/dev/null")) std::abort();
  seq::DumpLines lines(out);
  sysex::SummaryDescriber describer;
  std::optional<seq::InputFault> fault;
  switch (choice & 3) {
    case 0:
      fault = seq::dumpRecords(in, lines, describer, {});
      break;
    case 1:
      fault = seq::dumpRecords(in, lines, describer, {.shapes = seq::RecordShapes::dorna, .stepMs = 0.1});
      break;
    case 2:
      fault = seq::dumpSmf(in, "fuzz", lines, describer);
      break;
    default:
      if (auto cut = sysex::dumpSysExFile(in, out)) fault = seq::InputFault{cut->text, cut->offset};
      break;
  }
  if (fault && (fault->text.empty() || (fault->offset && *fault->offset > input.size()))) std::abort();
  out.close();
  return 0;
}
