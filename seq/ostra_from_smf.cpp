#include "seq/ostra_from_smf.h"

#include <string>

#include "seq/ostra.h"
#include "seq/smf_tempo.h"
#include "seq/strict_input.h"

namespace seq {
namespace {

constexpr const char* kSysEx = "a SysEx";
constexpr const char* kMeta = "a meta event";
constexpr const char* kSetTempo = "a set-tempo event";

std::string count(unsigned n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

void OstraFromSmf::systemEvent(const SmfEvent& event, TrackInput& body) {
  switch (event.status) {
    case kStatusSysEx:
    case kStatusEscape:
      if (keepSysEx_) {
        records_.sysExHead(now(event.ticks), event.status, event.length);
        body.copy(event.length, out_, kSysEx);
      } else {
        body.skip(event.length, kSysEx);
      }
      return;
    case kSmfMeta:
      if (event.first == kSmfSetTempo && !scale_.isRealTime()) {
        setTempo(event, body);
      } else {
        body.skip(event.length, kMeta);
      }
      return;
    default:
      break;
  }
}

void OstraFromSmf::setTempo(const SmfEvent& event, TrackInput& body) {
  if (event.length < 3) raiseAt("set-tempo event of " + count(event.length, "byte") + "; 3 expected", event.lengthAt);
  std::uint64_t at = body.offset();
  std::uint32_t micros = body.byte(kSetTempo);
  micros = (micros << 8) | body.byte(kSetTempo);
  micros = (micros << 8) | body.byte(kSetTempo);
  body.skip(event.length - 3, kSetTempo);
  std::optional<std::uint16_t> tempo = tempoFromMicroseconds(micros);
  if (!tempo) {
    std::string value = "set-tempo of " + count(micros, "microsecond") + " per quarter note";
    raiseAt(micros == 0 ? value : value + " is faster than 655.35 BPM", at);
  }
  records_.tempo(now(event.ticks), *tempo);
}

}  // namespace seq
