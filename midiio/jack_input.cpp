#include "midiio/jack_input.h"

#include <jack/midiport.h>

namespace midiio {

void JackInput::process(jack_nframes_t frames) {
  void* buffer = jack_port_get_buffer(port_, frames);
  const jack_nframes_t cycleStart = jack_last_frame_time(client_);
  // Frame times wrap: the difference, taken as signed, says which way it went.
  const auto offBy = static_cast<std::int32_t>(cycleStart - nextStart_);
  const bool known = started_;
  if (!known || offBy >= 0) nextStart_ = cycleStart + frames;
  started_ = true;
  if (!queue_.recording()) {
    parser_.reset();
    return;
  }
  if (known && offBy != 0) {
    queue_.lost();
    if (offBy < 0) return;  // a cycle again
  }
  const jack_nframes_t count = jack_midi_get_event_count(buffer);
  const jack_time_t startUs = startUs_.load(std::memory_order_acquire);
  // A late sender may write its next cycle into the buffer while we read
  // it (JACK does not wait for late clients): what this cycle gives is held
  // until the buffer is seen unchanged, and if it changed, each chunk
  // counts as after a hole, so no message is joined across what was lost.
  queue_.holdBatch();
  queue_.markSuspect(true);
  for (jack_nframes_t i = 0; i < count; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0) continue;
    const jack_time_t at = jack_frames_to_time(client_, cycleStart + event.time);
    const auto ms = static_cast<std::uint32_t>(at > startUs ? (at - startUs) / 1000 : 0);
    parser_.feed({event.buffer, event.size}, ms, queue_);
  }
  const bool torn = jack_midi_get_event_count(buffer) != count || jack_last_frame_time(client_) != cycleStart;
  queue_.publishBatch(torn);
  if (torn) queue_.lost();
  if (const jack_nframes_t lost = jack_midi_get_lost_event_count(buffer); lost != 0) queue_.lost(lost);
  if (count != 0) queue_.wake();
}

}  // namespace midiio
