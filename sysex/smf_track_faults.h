#pragma once
// What oktile makes of seq's track reader: the fixed text of each fault, the
// time limit of a track (its running time is 32 bits), and how the body of
// a SysEx or meta event is stepped over.
#include <cstdint>
#include <string_view>

#include "seq/smf_events.h"
#include "sysex/smf_reader.h"

namespace sysex {

inline constexpr std::uint64_t kMaxTrackTicks = 0xFFFFFFFF;

inline std::string_view problemText(seq::TrackFaultKind kind) {
  switch (kind) {
    case seq::TrackFaultKind::notData: return kDataHaveMsb;
    case seq::TrackFaultKind::noRunningStatus: return kRunningStatusError;
    case seq::TrackFaultKind::tooLong: return kDeltaValueError;
    case seq::TrackFaultKind::unknownStatus: return kIrregalSystemMsg;
    case seq::TrackFaultKind::timeTooLong: return kTimeTooLong;
    // The chunk was all there when it was walked: an end inside it is an overrun too.
    case seq::TrackFaultKind::pastChunk:
    case seq::TrackFaultKind::inputEnds:
    case seq::TrackFaultKind::noEndOfTrack: break;
  }
  return kTrackOverrun;
}

// Steps over the body of the event just read; a body longer than what is
// left of the chunk is an overrun where the body starts.
inline void skipBody(seq::TrackEvents& events, const seq::SmfEvent& event) {
  seq::TrackInput& body = events.input();
  if (event.length > body.left()) {
    seq::TrackInput::fail(seq::TrackFaultKind::pastChunk, "a body runs past the track chunk", body.offset());
  }
  body.skip(event.length, "an event's body");
}

}  // namespace sysex
