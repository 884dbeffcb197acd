// Fuzz target: the SysEx file scanning loop on arbitrary bytes.
#include <cstdlib>
#include <string_view>

#include "sysex/scan.h"

namespace {

struct CheckingSink {
  std::size_t messages = 0;
  std::size_t bytes = 0;
  bool open = false;
  void begin() {
    if (open) std::abort();  // a message begins only after the last one ended
    open = true;
    bytes += 2;
  }
  void data(std::uint8_t b) {
    if (!open || b >= 0x80) std::abort();
    ++bytes;
  }
  bool end() {
    if (!open) std::abort();
    open = false;
    return ++messages < 1000000;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorn::ByteInput in;
  in.openMemory(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckingSink sink;
  sysex::ScanResult result = sysex::scanSysexFile(in, sink);
  if (sink.bytes > size + 1) std::abort();  // a cut message counts its missing F7
  if (result == sysex::ScanResult::Done && (sink.open || in.peek() >= 0)) std::abort();
  if (result == sysex::ScanResult::Malformed && !sink.open) std::abort();
  return 0;
}
