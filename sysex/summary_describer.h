#pragma once
// The SysEx describer the sequence dumps take, made of a MessageSummary.
#include <span>
#include <string>

#include "seq/dump_lines.h"
#include "sysex/sysex_text.h"

namespace sysex {

class SummaryDescriber final : public seq::SysExDescriber {
 public:
  void start() override { summary_.reset(); }
  void add(std::span<const std::uint8_t> bytes) override { summary_.add(bytes); }
  std::string text() const override { return summary_.text(); }

 private:
  MessageSummary summary_;
};

}  // namespace sysex
