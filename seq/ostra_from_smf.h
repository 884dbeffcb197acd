#pragma once
// Writes decoded Standard MIDI File events (smf_events.h) as OSTRA records
// to the current output: times rescaled to 480 ticks per quarter note from
// the whole tick count, set-tempo events as tempo records, channel messages
// as they are, SysEx only when asked, other meta events dropped (their time
// goes to the next record written). Faults are raised as InputFault.
#include <cstdint>

#include "seq/ostra.h"
#include "seq/record_writer.h"
#include "seq/smf_events.h"
#include "seq/tick_scale.h"
#include "vornlib/streams.h"

namespace seq {

class OstraFromSmf {
 public:
  OstraFromSmf(const TickScale& scale, bool keepSysEx)
      : scale_(scale), out_(vorn::getouthandle()), keepSysEx_(keepSysEx) {}

  // Writes what `event` becomes, taking its body from `body`; an
  // end-of-track event has its body skipped and writes nothing (end() does).
  void event(const SmfEvent& event, TrackInput& body) {
    // Channel messages, by far the most, stay inline.
    if (isChannelStatus(event.status)) {
      channelMessage(event);
    } else {
      systemEvent(event, body);
    }
  }
  // A channel message's record.
  void channelMessage(const SmfEvent& event) {
    records_.channel(now(event.ticks), event.status, event.first, event.second);
  }
  // The records of the channel messages `events` reads in one run
  // (TrackEvents::channelRun), written as one run of records.
  void channelRun(TrackEvents& events) {
    RecordWriter::ChannelRun run(records_);
    if (const std::uint64_t multiple = scale_.multiple()) {
      // The common division, a multiplication.
      events.channelRun([this, &run, multiple](const SmfEvent& channel) {
        run.channel(scale_.multipleTicks(channel.ticks, multiple), channel.status, channel.first, channel.second);
      });
      return;
    }
    events.channelRun([this, &run](const SmfEvent& channel) {
      run.channel(now(channel.ticks), channel.status, channel.first, channel.second);
    });
  }
  // The end record, at `ticks` of the file.
  void end(std::uint64_t ticks) { records_.end(now(ticks)); }

 private:
  // OSTRA time of an event at `ticks`; a division is done once for a time.
  std::int64_t now(std::uint64_t ticks) {
    if (scale_.isMultiple()) return scale_.ostraTicks(ticks);
    if (ticks != scaledTicks_) {
      scaledTicks_ = ticks;
      scaledTime_ = scale_.ostraTicks(ticks);
    }
    return scaledTime_;
  }

  void systemEvent(const SmfEvent& event, TrackInput& body);
  void setTempo(const SmfEvent& event, TrackInput& body);

  TickScale scale_;
  vorn::ByteOutput& out_;
  RecordWriter records_;
  bool keepSysEx_;
  std::uint64_t scaledTicks_ = 0;
  std::int64_t scaledTime_ = 0;
};

}  // namespace seq
