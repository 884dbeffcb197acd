#include "sysex/splitter.h"

#include <unistd.h>

#include <cerrno>

#include "sysex/scan.h"
#include "vornlib/argfilename.h"
#include "vornlib/errors.h"

namespace sysex {

std::string messageSource(std::uint32_t number, const char* inputName, std::uint64_t offset) {
  return "message " + std::to_string(number) + " of " + vorn::inputDisplayName(inputName) + " (at byte offset " +
         std::to_string(offset) + ")";
}

SplitFault Splitter::splitFile(vorn::ByteInput& in, const char* inputName) {
  struct Sink {
    Splitter& self;
    vorn::ByteInput& in;
    const char* inputName;
    SplitFault fault;
    std::string name;
    std::uint64_t start = 0;  // of the message being read

    void begin() {
      start = in.offset() - 1;
      std::uint32_t number = self.number_;
      if (!vorn::ArgFileName(name, self.base_, self.pattern_, number, inputName)) {
        fault = {SplitFault::Naming, errno, number, start, {}, {}};
        return;
      }
      // A name no file has yet is neither written in this run nor an input:
      // one call creates it, where checking first would take three.
      vorn::Status opened = vorn::openoutfNew(name.c_str());
      if (!opened && opened.fault().code == EEXIST) {
        if (auto first = self.written_.writtenFor(name.c_str())) {
          fault = {SplitFault::Collision, 0, number, start, name, *first};
          return;
        }
        opened = vorn::openoutf(name.c_str());
      }
      if (!opened) {
        fault = {SplitFault::Output, 0, number, start, name, {}, opened.fault()};
        return;
      }
      ++self.number_;
      self.unfinished_ = name;
      self.written_.record(vorn::getouthandle().descriptor(), messageSource(number, inputName, start));
      vorn::OutByte(kSysExStart);
    }
    void data(std::uint8_t b) {
      if (fault.kind == SplitFault::None) vorn::OutByte(b);
    }
    void data(std::span<const std::uint8_t> run) {
      if (fault.kind == SplitFault::None) vorn::OutNByte(run);
    }
    bool end() {
      if (fault.kind != SplitFault::None) return false;
      vorn::OutByte(kSysExEnd);
      vorn::Status closed = vorn::closeout();
      self.unfinished_.clear();
      if (!closed) fault = {SplitFault::Output, 0, self.number_ - 1, start, name, {}, closed.fault()};
      return closed.ok();
    }
  } sink{*this, in, inputName, {}, {}, 0};

  ScanResult result = scanSysexFile(in, sink);
  if (sink.fault.kind != SplitFault::None) return sink.fault;
  if (result == ScanResult::Malformed) {
    // The bytes before the fault stay: the file is closed as it is.
    vorn::Status closed = vorn::closeout();
    unfinished_.clear();
    if (!closed) return {SplitFault::Output, 0, number_ - 1, sink.start, {}, {}, closed.fault()};
    SplitFault malformed;
    malformed.kind = SplitFault::MalformedMessage;
    malformed.offset = sink.start;
    return malformed;
  }
  return {};
}

void Splitter::discardUnfinished() {
  if (unfinished_.empty()) return;
  ::unlink(unfinished_.c_str());
  unfinished_.clear();
}

}  // namespace sysex
