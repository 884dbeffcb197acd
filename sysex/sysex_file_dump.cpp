#include "sysex/sysex_file_dump.h"

#include <cstdio>

#include "sysex/scan.h"
#include "sysex/sysex_text.h"

namespace sysex {
namespace {

void writeLine(vorn::ByteOutput& out, std::uint64_t offset, const std::string& text) {
  char column[32];
  std::snprintf(column, sizeof column, "%10llu  ", static_cast<unsigned long long>(offset));
  out.write(column);
  out.write(text);
  out.put('\n');
}

// Feeds each message into a summary and writes its line once it is whole.
class LineSink {
 public:
  LineSink(vorn::ByteInput& in, vorn::ByteOutput& out) : in_(in), out_(out) {}

  void begin() {
    start_ = in_.offset() - 1;
    skippedUpTo(start_);
    summary_.reset();
    summary_.add(kSysExStart);
  }
  void data(std::uint8_t b) { summary_.add(b); }
  void data(std::span<const std::uint8_t> run) { summary_.add(run); }
  bool end() {
    summary_.add(kSysExEnd);
    writeLine(out_, start_, summary_.text());
    end_ = in_.offset();
    return true;
  }
  // Bytes after the last message, up to `offset`.
  void skippedUpTo(std::uint64_t offset) {
    if (offset <= end_) return;
    std::uint64_t skipped = offset - end_;
    writeLine(out_, end_, std::to_string(skipped) + (skipped == 1 ? " byte" : " bytes") + " outside messages");
  }
  // A message cut short: what arrived of it.
  void cut() { writeLine(out_, start_, summary_.text()); }
  std::uint64_t start() const { return start_; }

 private:
  vorn::ByteInput& in_;
  vorn::ByteOutput& out_;
  MessageSummary summary_;
  std::uint64_t start_ = 0;
  std::uint64_t end_ = 0;  // just past the last message written
};

}  // namespace

std::optional<DumpFault> dumpSysExFile(vorn::ByteInput& in, vorn::ByteOutput& out) {
  LineSink sink(in, out);
  if (scanSysexFile(in, sink) != ScanResult::Malformed) {
    sink.skippedUpTo(in.offset());
    return std::nullopt;
  }
  sink.cut();
  return DumpFault{cutMessageText(in, sink.start()), in.offset()};
}

}  // namespace sysex
