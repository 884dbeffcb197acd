#include "seq/smf_events.h"

#include <string>

#include "seq/ostra.h"
#include "seq/strict_input.h"

namespace seq {
namespace {
constexpr const char* kChannelMessage = "a channel message";
}  // namespace

void TrackEvents::tooLate() const {
  TrackInput::fail(TrackFaultKind::timeTooLong,
                   "time " + std::to_string(ticks_) + " is beyond " + std::to_string(maxTicks_) + " ticks",
                   in_.offset());
}

void TrackEvents::nextSlowly(SmfEvent& event) {
  ticks_ += in_.deltaTime();
  if (ticks_ > maxTicks_) tooLate();
  event.ticks = ticks_;
  std::uint8_t b = in_.byte("an event");
  if (b >= 0xF0) {
    // System events cancel running status.
    runningStatus_ = 0;
    event.status = b;
    switch (b) {
      case kStatusSysEx:
      case kStatusEscape:
        event.lengthAt = in_.offset();
        event.length = in_.varLength("a SysEx length");
        return;
      case kSmfMeta:
        event.first = in_.byte("a meta event");
        event.lengthAt = in_.offset();
        event.length = in_.varLength("a meta event length");
        return;
      default:
        TrackInput::fail(TrackFaultKind::unknownStatus, "unknown status byte " + hexByte(b), in_.offset() - 1);
    }
  }
  if (b & 0x80) {
    runningStatus_ = b;
    event.first = in_.dataByte(kChannelMessage);
  } else {
    if (runningStatus_ == 0) {
      TrackInput::fail(TrackFaultKind::noRunningStatus, "data byte " + hexByte(b) + " but no running status in force",
                       in_.offset() - 1);
    }
    event.first = b;
  }
  event.status = runningStatus_;
  event.second = hasOneDataByte(runningStatus_) ? 0 : in_.dataByte(kChannelMessage);
}

}  // namespace seq
