#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <queue>
#include <vector>

#include "seq/smf_events.h"
#include "sysex/scan.h"
#include "sysex/smf_reader.h"
#include "sysex/smf_track_faults.h"

namespace sysex {
namespace {

// What the tracks' read buffers may take together, and the bounds of one.
constexpr std::size_t kBufferBudget = 4 << 20;
constexpr std::size_t kLeastBuffer = 512;
constexpr std::size_t kMostBuffer = 1 << 16;
// A message up to this size is held while it is checked and then written;
// a longer one is checked first and then read again to be written.
constexpr std::size_t kHeldMessage = 1 << 20;

// One track read side by side with the others: where it stands is its next
// SysEx event, whose body is still unread.
struct Cursor {
  vorn::ByteInput in;
  std::optional<seq::TrackEvents> events;
  seq::SmfEvent event;
};

bool isSysEx(const seq::SmfEvent& event) {
  return event.status == vorn::kSysExStart || event.status == vorn::kSysExEnd;
}

// Moves to the track's next SysEx event; false when the chunk has none left.
bool nextSysEx(seq::TrackEvents& events, seq::SmfEvent& event) {
  while (events.more()) {
    events.next(event);
    if (isSysEx(event)) return true;
    if (event.status == vorn::kSmfMeta) skipBody(events, event);
  }
  return false;
}

class Merger {
 public:
  Merger(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report)
      : smf_(smf), out_(out), report_(report), cursors_(smf.tracks.size()) {
    std::size_t open = std::max<std::size_t>(1, std::count_if(smf.tracks.begin(), smf.tracks.end(),
                                                              [](const SmfTrack& t) { return t.keeps; }));
    buffer_ = std::clamp(kBufferBudget / open, kLeastBuffer, kMostBuffer);
  }

  void run() {
    for (std::size_t t = 0; t < cursors_.size(); ++t) {
      if (!smf_.tracks[t].keeps) continue;
      cursors_[t] = std::make_unique<Cursor>();
      Cursor& c = *cursors_[t];
      if (!smf_.openTrack(t, c.in, buffer_)) return;
      c.events.emplace(c.in, smf_.tracks[t].length, kMaxTrackTicks);
      offer(t);
    }
    while (!candidates_.empty()) {
      std::size_t t = candidates_.top().track;
      candidates_.pop();
      if (!writeMessage(t)) return;
      offer(t);
    }
  }

 private:
  struct Candidate {
    std::uint64_t time;
    std::size_t track;
    // The earliest time first; among equal times the lowest track.
    bool operator>(const Candidate& o) const { return time != o.time ? time > o.time : track > o.track; }
  };

  // Steps over 0xF7 events where a message would start, then makes the
  // track a candidate if it has an event left; a track that has none is
  // closed.
  void offer(std::size_t t) {
    Cursor& c = *cursors_[t];
    bool more = nextSysEx(*c.events, c.event);
    while (more && c.event.status == vorn::kSysExEnd) {
      report_({kIrregalF7Event, t, c.event.lengthAt - 1});
      skipBody(*c.events, c.event);
      more = nextSysEx(*c.events, c.event);
    }
    if (more) {
      candidates_.push({c.event.ticks, t});
    } else {
      cursors_[t].reset();
    }
  }

  // The message starting at the track's current event continues through
  // the track's following SysEx events, whatever their kind and time, until
  // one ends with 0xF7. Only a whole message whose bytes are all below 0x80
  // is written; otherwise the file's output ends here.
  bool writeMessage(std::size_t t) {
    Cursor& c = *cursors_[t];
    seq::TrackInput& body = c.events->input();
    const std::uint64_t start = body.offset();
    const std::uint32_t startLeft = body.left();
    const std::uint32_t firstLength = c.event.length;
    held_.clear();
    bool holding = true;
    std::size_t packets = 0;
    for (;;) {
      ++packets;
      const std::uint32_t length = c.event.length;
      holding = holding && held_.size() + length <= kHeldMessage;
      if (!holding) held_.clear();
      std::uint8_t last = 0;
      for (std::uint32_t k = 0; k < length; ++k) {
        std::uint64_t at = body.offset();
        last = body.byte("a SysEx");
        bool finalEnd = k + 1 == length && last == kSysExEnd;
        if (last >= 0x80 && !finalEnd) {
          report_({kIrregalFormat, t, at});
          return false;
        }
        if (holding) held_.push_back(last);
      }
      if (length > 0 && last == kSysExEnd) break;
      if (!nextSysEx(*c.events, c.event)) return false;
    }
    out_.put(kSysExStart);
    if (holding) {
      out_.write(held_);
    } else {
      writeAgain(start, startLeft, firstLength, packets);
    }
    return true;
  }

  // Writes the data of the message's `packets` SysEx events, read again from
  // `start`, the first one's body (of `firstLength` bytes), with `left`
  // bytes of the chunk from there.
  void writeAgain(std::uint64_t start, std::uint32_t left, std::uint32_t firstLength, std::size_t packets) {
    vorn::ByteInput again;
    if (!smf_.source->reopenAt(again, start, kMostBuffer)) return;
    seq::TrackEvents events(again, left);
    events.input().copy(firstLength, out_, "a SysEx");
    seq::SmfEvent event;
    for (std::size_t i = 1; i < packets && nextSysEx(events, event); ++i) {
      events.input().copy(event.length, out_, "a SysEx");
    }
  }

  const SmfInfo& smf_;
  vorn::ByteOutput& out_;
  const ProblemReporter& report_;
  std::vector<std::unique_ptr<Cursor>> cursors_;
  std::size_t buffer_;
  std::vector<std::uint8_t> held_;
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> candidates_;
};

}  // namespace

void writeMergedMessages(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report) {
  try {
    Merger(smf, out, report).run();
  } catch (const seq::TrackFault&) {
    // The tracks read without a fault when they were parsed; a fault now
    // means the file changed since, and its output ends here.
  }
}

}  // namespace sysex
