#include "seq/track_input.h"

#include <string>
#include <utility>

namespace seq {
namespace {

// "a SysEx of 300 bytes".
std::string sized(const char* what, std::uint32_t count) {
  return std::string(what) + " of " + std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

}  // namespace

void TrackInput::fail(TrackFaultKind kind, std::string text, std::uint64_t offset) {
  throw TrackFault{{std::move(text), offset}, kind};
}

std::uint32_t TrackInput::longDeltaTime(std::uint8_t head) {
  bool atHead = true;
  auto next = [&] {
    if (!atHead) return byte("a delta-time");
    atHead = false;
    return head;
  };
  if (auto value = vorn::readVarLength(next)) return *value;
  tooLong("a delta-time");
}

void TrackInput::noEndOfTrack() const {
  fail(TrackFaultKind::noEndOfTrack, "the track chunk ends without an end-of-track event", in_.offset());
}

void TrackInput::endsBeforeEndOfTrack() const {
  throw TrackFault{endsAt("input ends before the end-of-track event", in_.offset()), TrackFaultKind::noEndOfTrack};
}

// The offset of a chunk overrun is where the chunk ends: the first byte the
// event wants beyond its declared length.
void TrackInput::pastChunk(const char* what) const {
  fail(TrackFaultKind::pastChunk, std::string(what) + " runs past the track chunk's declared length", in_.offset());
}

void TrackInput::endsInside(const char* what) const {
  throw TrackFault{seq::endsInside(what, in_.offset()), TrackFaultKind::inputEnds};
}

void TrackInput::notData(std::uint8_t b) const {
  fail(TrackFaultKind::notData, "expected a data byte (00 to 7F), found " + hexByte(b), in_.offset() - 1);
}

void TrackInput::tooLong(const char* what) const {
  // The fourth byte is the wrong one: it still asks for a fifth.
  fail(TrackFaultKind::tooLong, std::string(what) + " of more than four bytes", in_.offset() - 1);
}

void TrackInput::endsOrPastChunk(std::uint32_t count, const char* what, bool inputEnded) const {
  if (inputEnded) throw TrackFault{seq::endsInside(sized(what, count), in_.offset()), TrackFaultKind::inputEnds};
  fail(TrackFaultKind::pastChunk, sized(what, count) + " runs past the track chunk's declared length", in_.offset());
}

void TrackInput::copy(std::uint32_t count, vorn::ByteOutput& out, const char* what) {
  std::uint32_t inside = take(count);
  bool inputEnded = copyBytes(in_, out, inside) < inside;
  if (inputEnded || inside < count) endsOrPastChunk(count, what, inputEnded);
}

void TrackInput::skip(std::uint32_t count, const char* what) {
  std::uint32_t inside = take(count);
  bool inputEnded = in_.skip(inside) < inside;
  if (inputEnded || inside < count) endsOrPastChunk(count, what, inputEnded);
}

}  // namespace seq
