#include "sysex/splitter.h"

#include <cerrno>

#include "sysex/scan.h"
#include "vornlib/argfilename.h"

namespace sysex {

SplitFault Splitter::splitFile(vorn::ByteInput& in, const char* inputName) {
  struct Sink {
    Splitter& self;
    const char* inputName;
    SplitFault fault;
    std::string name;

    void begin() {
      if (!vorn::ArgFileName(name, self.base_, self.pattern_, self.number_, inputName)) {
        fault = {SplitFault::Naming, errno};
        return;
      }
      ++self.number_;
      vorn::openoutf(name.c_str());
      vorn::OutByte(kSysExStart);
    }
    void data(std::uint8_t b) {
      if (fault.kind == SplitFault::None) vorn::OutByte(b);
    }
    bool end() {
      if (fault.kind != SplitFault::None) return false;
      vorn::OutByte(kSysExEnd);
      vorn::closeout();
      return true;
    }
  } sink{*this, inputName, {}, {}};

  ScanResult result = scanSysexFile(in, sink);
  if (sink.fault.kind != SplitFault::None) return sink.fault;
  if (result == ScanResult::Malformed) {
    vorn::closeout();
    return {SplitFault::MalformedMessage, 0};
  }
  return {};
}

}  // namespace sysex
