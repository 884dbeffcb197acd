#pragma once
// A player's threads compete with every busy process of the machine; a late
// wake is a late note. While it lives, a RealtimePriority puts the calling
// thread on SCHED_FIFO at a low real-time priority (threads it starts
// meanwhile inherit it), ahead of ordinary work and below the MIDI system's
// own threads. Without the right to (no CAP_SYS_NICE, RLIMIT_RTPRIO 0) it
// only asks the kernel not to delay the thread's timed wakes (its timer
// slack, 50 us by default): the player still works, only less exactly on a
// loaded machine.
#include <sched.h>

namespace midiio {

class RealtimePriority {
 public:
  RealtimePriority();
  ~RealtimePriority();
  RealtimePriority(const RealtimePriority&) = delete;
  RealtimePriority& operator=(const RealtimePriority&) = delete;
  bool raised() const { return raised_; }

 private:
  bool raised_ = false;
  long previousSlack_ = -1;
  int policy_ = SCHED_OTHER;
  sched_param previous_{};
};

}  // namespace midiio
