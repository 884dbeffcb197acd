#pragma once
// The layer's waits look for Ctrl-C at least every 50 ms and give up with
// kMidiInterrupted; while an output closes they do not, so that the
// silencing after a break still goes out.
namespace midiio {

bool breakRequested();

// While one lives, breakRequested() is false.
class IgnoringBreaks {
 public:
  IgnoringBreaks();
  ~IgnoringBreaks();
  IgnoringBreaks(const IgnoringBreaks&) = delete;
  IgnoringBreaks& operator=(const IgnoringBreaks&) = delete;
};

}  // namespace midiio
