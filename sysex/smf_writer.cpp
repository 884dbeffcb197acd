#include "sysex/smf_writer.h"

#include <algorithm>

#include "vornlib/numbers.h"
#include "vornlib/varlen.h"

namespace sysex {
namespace {

using Wide = unsigned __int128;  // time arithmetic that cannot overflow, whatever the pauses add up to

constexpr std::uint8_t kEmptyText[] = {0xFF, 0x01, 0x00};
constexpr std::uint8_t kEndOfTrack[] = {0xFF, 0x2F, 0x00};

}  // namespace

SysexSmfBuilder::SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs)
    : tempo_(60000000u / bpm), gapMs_(gapMs) {
  track_.reserve(1 << 20);
  const std::uint8_t tempoEvent[] = {0x00, 0xFF, 0x51, 0x03, static_cast<std::uint8_t>(tempo_ >> 16),
                                     static_cast<std::uint8_t>(tempo_ >> 8), static_cast<std::uint8_t>(tempo_)};
  track_.insert(track_.end(), std::begin(tempoEvent), std::end(tempoEvent));
}

bool SysexSmfBuilder::fits(std::size_t more) const {
  return more <= 0xFFFFFFFFu && track_.size() <= 0xFFFFFFFFu - more;
}

// Each delta is truncated by itself. A delta beyond what one quantity may
// carry goes in steps of empty text events, so the file stays valid.
bool SysexSmfBuilder::appendDelta() {
  Wide ticks = Wide{runningMs_ - lastEventMs_} * (std::uint64_t{kSmfTicksPerQuarter} * 1000) / tempo_;
  lastEventMs_ = runningMs_;
  while (ticks > kMaxSmfDelta) {
    if (!fits(4 + sizeof kEmptyText)) return false;
    vorn::appendVarLength(track_, kMaxSmfDelta);
    track_.insert(track_.end(), std::begin(kEmptyText), std::end(kEmptyText));
    ticks -= kMaxSmfDelta;
  }
  if (!fits(4)) return false;
  vorn::appendVarLength(track_, static_cast<std::uint32_t>(ticks));
  return true;
}

bool SysexSmfBuilder::addMessage(std::span<const std::uint8_t> afterStart) {
  if (afterStart.size() > 0xFFFFFFFFu) return false;
  if (!appendDelta() || !fits(1 + 5 + afterStart.size())) return false;
  track_.push_back(0xF0);
  vorn::appendVarLength(track_, static_cast<std::uint32_t>(afterStart.size()));
  track_.insert(track_.end(), afterStart.begin(), afterStart.end());
  runningMs_ += afterStart.size() / 3 + gapMs_ + 1;
  return true;
}

void SysexSmfBuilder::addPause(std::uint32_t milliseconds) { runningMs_ += milliseconds; }

// The end lies on the first bar line (four quarter notes) strictly after
// the running time.
bool SysexSmfBuilder::finish() {
  Wide bar = Wide{4} * tempo_;
  Wide micros = Wide{runningMs_} * 1000;
  runningMs_ = static_cast<std::uint64_t>((micros / bar + 1) * bar / 1000);
  if (!appendDelta() || !fits(sizeof kEndOfTrack)) return false;
  track_.insert(track_.end(), std::begin(kEndOfTrack), std::end(kEndOfTrack));
  return true;
}

std::vector<std::uint8_t> SysexSmfBuilder::fileHead() const {
  std::vector<std::uint8_t> head(22);
  std::uint8_t* p = head.data();
  std::copy_n("MThd", 4, p);
  vorn::writeBE32(p + 4, 6);
  vorn::writeBE16(p + 8, 0);
  vorn::writeBE16(p + 10, 1);
  vorn::writeBE16(p + 12, kSmfTicksPerQuarter);
  std::copy_n("MTrk", 4, p + 14);
  vorn::writeBE32(p + 18, static_cast<std::uint32_t>(track_.size()));
  return head;
}

}  // namespace sysex
