#include <functional>
#include <queue>
#include <vector>

#include "sysex/scan.h"
#include "sysex/smf_reader.h"

namespace sysex {
namespace {

class Merger {
 public:
  Merger(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report)
      : smf_(smf), out_(out), report_(report), next_(smf.tracks.size(), 0) {}

  void run() {
    for (std::size_t t = 0; t < next_.size(); ++t) offer(t);
    while (!candidates_.empty()) {
      std::size_t t = candidates_.top().track;
      candidates_.pop();
      if (!writeMessage(t)) return;
      offer(t);
    }
  }

 private:
  struct Candidate {
    std::uint32_t time;
    std::size_t track;
    // The earliest time first; among equal times the lowest track.
    bool operator>(const Candidate& o) const { return time != o.time ? time > o.time : track > o.track; }
  };

  const std::vector<SysExEvent>& events(std::size_t t) const { return smf_.tracks[t].events; }
  const std::uint8_t* dataOf(std::size_t t, const SysExEvent& e) const { return smf_.tracks[t].data.data() + e.offset; }
  std::uint64_t fileOffset(std::size_t t, const SysExEvent& e, std::size_t i = 0) const {
    return smf_.tracks[t].fileOffset + e.offset + i;
  }

  // Steps over 0xF7 events where a message would start, then makes the
  // track a candidate if it has an event left.
  void offer(std::size_t t) {
    const auto& list = events(t);
    while (next_[t] < list.size() && list[next_[t]].kind == 0xF7) {
      report_({kIrregalF7Event, t, smf_.tracks[t].fileOffset + list[next_[t]].statusAt});
      ++next_[t];
    }
    if (next_[t] < list.size()) candidates_.push({list[next_[t]].absoluteTime, t});
  }

  // The message starting at the track's current event continues through
  // the track's following events, whatever their kind and time, until one
  // ends with 0xF7. Only a whole message whose bytes are all below 0x80 is
  // written; otherwise the file's output ends here.
  bool writeMessage(std::size_t t) {
    const auto& list = events(t);
    std::size_t first = next_[t];
    for (std::size_t i = first; i < list.size(); ++i) {
      const SysExEvent& e = list[i];
      const std::uint8_t* bytes = dataOf(t, e);
      for (std::uint32_t k = 0; k < e.length; ++k) {
        bool finalEnd = k + 1 == e.length && bytes[k] == kSysExEnd;
        if (bytes[k] >= 0x80 && !finalEnd) {
          report_({kIrregalFormat, t, fileOffset(t, e, k)});
          next_[t] = i + 1;
          return false;
        }
      }
      if (e.length > 0 && bytes[e.length - 1] == kSysExEnd) {
        out_.put(kSysExStart);
        for (std::size_t j = first; j <= i; ++j) out_.write(std::span(dataOf(t, list[j]), list[j].length));
        next_[t] = i + 1;
        return true;
      }
    }
    next_[t] = list.size();
    return false;
  }

  const SmfInfo& smf_;
  vorn::ByteOutput& out_;
  const ProblemReporter& report_;
  std::vector<std::size_t> next_;
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> candidates_;
};

}  // namespace

void writeMergedMessages(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report) {
  Merger(smf, out, report).run();
}

}  // namespace sysex
