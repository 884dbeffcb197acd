#include "sysex/wrap_pass.h"

#include <cerrno>
#include <new>
#include <optional>
#include <span>

#include "seq/strict_input.h"
#include "sysex/scan.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"

namespace sysex {
namespace {

constexpr std::string_view kBadInput = "入力データの形式が違います";
constexpr std::string_view kNoMemory = "メモリが足りません";
// A message up to this size is held while it is read; a longer one is read
// again to be written.
constexpr std::size_t kHeldMessage = 1 << 20;
constexpr std::size_t kRereadBuffer = 1 << 16;

vorn::Fault faultAt(const char* name, std::string_view text, std::uint64_t offset, std::uint32_t code) {
  return vorn::Fault{std::string(text), offset, code, vorn::inputDisplayName(name)};
}

}  // namespace

// Feeds the scan's messages to the builder; keeps the fault that stopped it.
struct WrapPass::Sink {
  WrapPass& pass;
  vorn::ByteInput& in;
  const char* name;
  std::uint64_t start = 0;   // of the message being read, its F0
  std::uint64_t length = 0;  // after the F0
  bool holding = true;
  std::optional<vorn::Fault> fault;

  vorn::Fault noMemory() const { return faultAt(name, kNoMemory, start, ENOMEM); }
  void begin() {
    start = in.offset() - 1;
    pass.message_.clear();
    length = 0;
    holding = true;
  }
  void data(std::span<const std::uint8_t> run) {
    length += run.size();
    if (!holding) return;
    if (pass.message_.size() + run.size() <= kHeldMessage) {
      pass.message_.insert(pass.message_.end(), run.begin(), run.end());
    } else {
      holding = false;
      pass.message_.clear();
    }
  }
  void data(std::uint8_t b) { data(std::span(&b, 1)); }
  bool end() {
    ++length;
    if (holding) {
      pass.message_.push_back(kSysExEnd);
      if (!pass.smf_.addMessage(pass.message_)) fault = noMemory();
    } else if (!pass.smf_.addMessageHead(length)) {
      fault = noMemory();
    } else {
      writeAgain();
    }
    return !fault;
  }
  // Writes a message too long to be held, read again from `in`: its
  // `length` bytes after the F0.
  void writeAgain() {
    vorn::ByteInput again;
    if (!in.reopenAt(again, start + 1, kRereadBuffer) || seq::copyBytes(again, pass.smf_.output(), length) < length) {
      fault = faultAt(name, kBadInput, start, vorn::kErrMalformedInput);
    }
  }
};

vorn::Status WrapPass::addInput(vorn::ByteInput& in, const char* name) {
  Sink sink{*this, in, name, 0, 0, true, std::nullopt};
  ScanResult result = ScanResult::Done;
  try {
    result = scanSysexFile(in, sink);
  } catch (const std::bad_alloc&) {
    return sink.noMemory();
  }
  if (sink.fault) return *sink.fault;
  if (result == ScanResult::Malformed) return faultAt(name, kBadInput, in.offset(), vorn::kErrMalformedInput);
  return {};
}

void WrapPass::addPause(std::string_view text) {
  vorn::NumberResult pause = vorn::Strz2Dword(text);
  smf_.addPause(pause.ok() ? pause.value : 0);
}

vorn::Status WrapPass::finish() {
  if (!smf_.finish()) return vorn::Fault{std::string(kNoMemory), std::nullopt, ENOMEM};
  return {};
}

}  // namespace sysex
