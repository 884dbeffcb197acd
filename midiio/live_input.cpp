#include "midiio/live_input.h"

#include <optional>

#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"

namespace midiio {
namespace {

// One reading's state between the assembly's calls. A hole is told before
// the next line, except that the message it cut is shown first.
class LiveReading {
 public:
  explicit LiveReading(LiveListener& listener) : listener_(listener) {}

  // Every event as it comes off the queue.
  void taken(const InputEvent& event) {
    lastTime_ = event.time;
    if (event.lostBefore != reported_) {
      pending_ = event.lostBefore.since(reported_);
      reported_ = event.lostBefore;
    }
    if (!event.isLong) {
      tellHole();
      listener_.shortMessage(event.time, event.lengthOrMessage);
    }
  }

  // The assembly's sink. The last byte is held back: after a cut it is the
  // F7 the assembly added.
  void bytes(std::span<const std::uint8_t> run) {
    if (run.empty()) return;
    if (!open_) {
      tellHole();
      listener_.sysExBegin(lastSysExChunk().time);
      open_ = true;
    }
    if (held_) listener_.sysExBytes({&*held_, 1});
    listener_.sysExBytes(run.first(run.size() - 1));
    held_ = run.back();
  }

  // After each receiveSysEx: the message it delivered or closed, if any.
  void messageDone(bool broken) {
    if (!open_) return;
    open_ = false;
    const SysExCut& cut = lastSysExCut();
    // A break leaves the message unfinished: it is not shown.
    if (!broken) {
      if (cut.cause == CutCause::none && held_) listener_.sysExBytes({&*held_, 1});
      listener_.sysExEnd(cut);
    }
    held_.reset();
    if (cut.cause == CutCause::hole) tellHole();
  }

  // At the end: what was lost after the last event too.
  void finish() {
    const InputLoss now = inputLoss();
    if (now != reported_) {
      pending_ = now.since(reported_);
      reported_ = now;
    }
    tellHole();
  }

 private:
  void tellHole() {
    if (!pending_) return;
    listener_.hole(lastTime_, *pending_);
    pending_.reset();
  }

  LiveListener& listener_;
  InputLoss reported_;
  std::optional<InputLoss> pending_;
  std::uint32_t lastTime_ = 0;
  bool open_ = false;
  std::optional<std::uint8_t> held_;
};

std::string counted(std::uint64_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

std::string holeText(const InputLoss& lost) {
  std::string amount;
  if (lost.messages != 0) amount = counted(lost.messages, "message");
  if (lost.sysExBytes != 0) amount += (amount.empty() ? "" : " and ") + counted(lost.sysExBytes, "SysEx byte");
  if (lost.unknown != 0) amount = amount.empty() ? "data" : "at least " + amount;
  return "Hole: " + amount + " lost (the MIDI input overflowed)";
}

Reception readLiveInput(std::uint32_t timeoutMs, LiveListener& listener) {
  LiveReading reading(listener);
  const InputWatch watch = [&](const InputEvent& event) { reading.taken(event); };
  const SysExSink sink = [&](std::span<const std::uint8_t> bytes) { reading.bytes(bytes); };
  for (;;) {
    Reception r = receiveSysEx(timeoutMs, sink, watch);
    reading.messageDone(r.how == Received::failed && vorn::isInterruption(r.fault));
    if (r.how == Received::message) continue;
    reading.finish();
    return r;
  }
}

}  // namespace midiio
