// Fuzz target: oktile's SMF reader and merge on arbitrary bytes. Whatever it
// writes must be a clean SysEx file: whole, valid messages and nothing else.
#include <cstdlib>
#include <string_view>

#include "sysex/scan.h"
#include "sysex/smf_reader.h"

namespace {

struct Copy {
  std::string bytes;
  void begin() { bytes += '\xF0'; }
  void data(std::uint8_t b) { bytes += static_cast<char>(b); }
  bool end() {
    bytes += '\xF7';
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorn::ByteInput in;
  in.openMemory(std::string_view(reinterpret_cast<const char*>(data), size));
  // The first byte picks whether the size is known, as for a named file, or not, as for a pipe.
  std::uint64_t fileSize = (size > 0 && (data[0] & 1)) ? sysex::kUnknownFileSize : size;
  sysex::SmfInfo smf;
  if (sysex::readSmfChunks(in, fileSize, smf)) return 0;
  vorn::ByteOutput out;
  out.openMemory();
  auto ignore = [](const sysex::SmfProblem&) {};
  sysex::parseTracks(smf, ignore);
  sysex::writeMergedMessages(smf, out, ignore);
  out.flush();
  const std::string& written = out.memoryBytes();
  vorn::ByteInput check;
  check.openMemory(written);
  Copy copy;
  if (sysex::scanSysexFile(check, copy) != sysex::ScanResult::Done || copy.bytes != written) std::abort();
  return 0;
}
