// Fuzz target: the selection pattern compiler and matcher. The input is
// patterns separated by NUL bytes; the last part is a SysEx file to select
// from. The first byte picks the mode flags.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "sysex/pattern_compiler.h"
#include "sysex/selector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint32_t flags = data[0] & 0x1F;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::uint8_t> program;
  sysex::PatternValues values;
  values.id = static_cast<std::uint8_t>(data[0] & 0x7F);
  values.params[1] = 0x7F;
  std::size_t nul;
  while ((nul = rest.find('\0')) != std::string_view::npos) {
    std::size_t before = program.size();
    if (sysex::compilePattern(rest.substr(0, nul), values, program)) {
      if (program.size() != before) std::abort();  // a failed compile leaves the program alone
    } else if (program.size() < before + 5 || program.back() != 0x81) {
      std::abort();
    }
    rest.remove_prefix(nul + 1);
  }
  vorn::ByteInput in;
  in.openMemory(rest);
  vorn::ByteOutput out;
  out.openMemory();
  sysex::Selector selector(program, flags);
  selector.selectFile(in, out, "fuzz");
  out.flush();
  if (!(flags & (sysex::kSelectCount | sysex::kSelectExtract)) && out.memoryBytes().size() > rest.size()) std::abort();
  return 0;
}
