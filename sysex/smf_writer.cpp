#include "sysex/smf_writer.h"

#include <array>

#include "vornlib/midi_status.h"

namespace sysex {
namespace {

using Wide = unsigned __int128;  // time arithmetic that cannot overflow, whatever the pauses add up to

std::unique_ptr<vorn::ByteOutput> memoryOutput() {
  auto out = std::make_unique<vorn::ByteOutput>();
  out->openMemory();
  return out;
}

}  // namespace

SysexSmfBuilder::SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs)
    : SysexSmfBuilder(memoryOutput(), bpm, gapMs) {}

SysexSmfBuilder::SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs, vorn::ByteOutput& out)
    : tempo_(60000000u / bpm), gapMs_(gapMs), track_(out) {
  start();
}

SysexSmfBuilder::SysexSmfBuilder(std::unique_ptr<vorn::ByteOutput> memory, std::uint32_t bpm, std::uint32_t gapMs)
    : memory_(std::move(memory)), tempo_(60000000u / bpm), gapMs_(gapMs), track_(*memory_) {
  start();
}

void SysexSmfBuilder::start() {
  const std::array<std::uint8_t, 3> tempo = {static_cast<std::uint8_t>(tempo_ >> 16),
                                             static_cast<std::uint8_t>(tempo_ >> 8), static_cast<std::uint8_t>(tempo_)};
  track_.meta(0, vorn::kSmfSetTempo, tempo);
}

// Each delta is truncated by itself.
std::uint64_t SysexSmfBuilder::nextGap() {
  Wide ticks = Wide{runningMs_ - lastEventMs_} * (std::uint64_t{kSmfTicksPerQuarter} * 1000) / tempo_;
  lastEventMs_ = runningMs_;
  // Beyond 64 bits of ticks the track could not be written anyway.
  return ticks > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(ticks);
}

bool SysexSmfBuilder::addMessageHead(std::uint64_t length) {
  if (length > seq::kMaxTrackLength || !fits()) return false;
  track_.sysExHead(nextGap(), vorn::kSysExStart, static_cast<std::uint32_t>(length));
  runningMs_ += length / 3 + gapMs_ + 1;
  return track_.length() + length <= seq::kMaxTrackLength;
}

bool SysexSmfBuilder::addMessage(std::span<const std::uint8_t> afterStart) {
  if (!addMessageHead(afterStart.size())) return false;
  output().write(afterStart);
  return true;
}

void SysexSmfBuilder::addPause(std::uint32_t milliseconds) { runningMs_ += milliseconds; }

// The end lies on the first bar line (four quarter notes) strictly after
// the running time.
bool SysexSmfBuilder::finish() {
  Wide bar = Wide{4} * tempo_;
  Wide micros = Wide{runningMs_} * 1000;
  runningMs_ = static_cast<std::uint64_t>((micros / bar + 1) * bar / 1000);
  track_.meta(nextGap(), vorn::kSmfEndOfTrack, {});
  return fits();
}

std::vector<std::uint8_t> SysexSmfBuilder::fileHead() const {
  vorn::ByteOutput head;
  head.openMemory();
  seq::writeSmfHead(head, kSmfTicksPerQuarter, static_cast<std::uint32_t>(track_.length()));
  head.flush();
  const std::string& bytes = head.memoryBytes();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::span<const std::uint8_t> SysexSmfBuilder::track() {
  memory_->flush();
  const std::string& bytes = memory_->memoryBytes();
  return std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace sysex
