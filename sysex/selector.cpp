#include "sysex/selector.h"

#include <limits>

#include "sysex/pattern_code.h"
#include "sysex/scan.h"
#include "vornlib/numbers.h"

namespace sysex {

bool Selector::select(std::span<const std::uint8_t> message, SelectFault& fault) {
  bool all = (flags_ & kSelectAll) != 0;
  bool selected = all;
  ranges_.clear();
  std::size_t pos = 0;
  std::size_t index = 0;
  while (program_.size() - pos >= kRecordHeaderSize) {
    std::uint32_t length = vorn::readLE32(program_.data() + pos);
    if (length <= kRecordHeaderSize || length > program_.size() - pos) break;
    ++index;
    auto items = program_.subspan(pos + kRecordHeaderSize, length - kRecordHeaderSize);
    pos += length;
    MatchResult result = runPattern(items, message, ranges_);
    if (result == MatchResult::BadPattern) {
      fault = {SelectFault::BadPattern, index};
      return false;
    }
    bool matched = result == MatchResult::Match;
    if (all != matched) {  // the first failure under -A, the first match without it, decides
      selected = matched;
      break;
    }
  }
  if (flags_ & kSelectInvert) selected = !selected;
  return selected;
}

void Selector::writeSelected(vorn::ByteOutput& out) {
  if (flags_ & kSelectCount) return;
  if (flags_ & kSelectExtract) {
    if (flags_ & kSelectInvert) return;
    for (const ExtractRange& r : ranges_) {
      if (r.end > r.start) out.write(std::span(message_).subspan(r.start, r.end - r.start));
    }
    return;
  }
  out.write(message_);
}

SelectFault Selector::selectFile(vorn::ByteInput& in, vorn::ByteOutput& out, const char* name) {
  struct Sink {
    Selector& self;
    vorn::ByteInput& in;
    vorn::ByteOutput& out;
    std::uint64_t read = 0;
    std::uint64_t selected = 0;
    SelectFault fault;

    void begin() {
      self.messageStart_ = in.offset() - 1;
      self.message_.clear();
      self.message_.push_back(kSysExStart);
    }
    void data(std::uint8_t b) { self.message_.push_back(b); }
    void data(std::span<const std::uint8_t> run) { self.message_.insert(self.message_.end(), run.begin(), run.end()); }
    bool end() {
      self.message_.push_back(kSysExEnd);
      ++read;
      if (self.message_.size() > std::numeric_limits<std::uint32_t>::max()) {
        fault = {SelectFault::MessageTooLong, 0};  // offsets into a message are 32-bit
        return false;
      }
      if (self.select(self.message_, fault)) {
        ++selected;
        self.writeSelected(out);
      }
      return fault.kind == SelectFault::None;
    }
  } sink{*this, in, out, 0, 0, {}};

  ScanResult result = scanSysexFile(in, sink);
  if (sink.fault.kind != SelectFault::None) return sink.fault;
  if (result == ScanResult::Malformed) return {SelectFault::MalformedMessage, 0};

  if (flags_ & kSelectCount) {
    std::string line = name ? name : "";
    if (flags_ & kSelectCountT) {
      line += '\t' + std::to_string(sink.read) + '\t' + std::to_string(sink.selected) + '\n';
      out.write(line);
    } else if (sink.selected > 0) {
      out.write(line + '\n');
    }
  }
  return {};
}

}  // namespace sysex
