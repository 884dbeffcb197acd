#include "midiio/live_dump.h"

#include "midiio/device_names.h"
#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "midiio/port_words.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

namespace midiio {
namespace {

constexpr std::size_t kInputNodes = 4096;
constexpr std::size_t kInputBlocks = 4096;
constexpr std::uint32_t kClockPeriodMs = 10;

std::string counted(int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

vorn::Status openLiveInput(LiveDumpOptions& options) {
  (void)startClock(kClockPeriodMs);
  if (!options.chosen) {
    if (vorn::Status status = chooseMidiInputFromEnvironment(options.index); !status) return status;
  }
  return openMidiInput(options.index, kInputNodes, kInputBlocks, options.mode);
}

void closeLiveInput() {
  stopClock();
  closeMidiInput();
}

vorn::Status liveInputHeading(int index, std::string& heading) {
  const DeviceList* devices = nullptr;
  if (vorn::Status status = midiDevices(devices); !status) return status;
  const std::vector<Device>& inputs = devices->inputs;
  const int shown = index == kDefaultDevice ? defaultDevice(inputs) : index;
  heading = inputs[static_cast<std::size_t>(shown)].name + ": MIDI input (" + midiBackend()->systemName() +
            "); time in ms since the start";
  return {};
}

vorn::Status LiveDump::run() {
  const Reception ended = readLiveInput(timeoutMs_, *this);
  if (ended.how == Received::failed) return ended.fault;
  lines_.comment(ended.how == Received::sourceLeft ? "end: " + ended.detail
                                                   : "end: nothing came for " + std::to_string(timeoutMs_ / 1000) + " s");
  return {};
}

std::vector<std::string> LiveDump::losses() const {
  std::vector<std::string> lines;
  if (cuts_ != 0) lines.push_back(counted(cuts_, "message") + " cut (the lines with \"cut:\")");
  if (holes_ != 0) lines.push_back(counted(holes_, "hole") + " in the input (the lines with \"Hole:\")");
  return lines;
}

void LiveDump::sysExEnd(const SysExCut& cut) {
  if (cut.cause != CutCause::none) ++cuts_;
  lines_.sysExEnd(cut.cause == CutCause::none ? "" : cutReason(cut, timeoutMs_));
}

void LiveDump::hole(std::uint32_t ms, const InputLoss& lost) {
  ++holes_;
  lines_.note(ms, holeText(lost));
}

vorn::Status dumpLiveInput(LiveDumpOptions& options, seq::SysExDescriber& describer,
                           const std::function<void(const std::string&)>& note, std::vector<std::string>& losses) {
  if (vorn::Status opened = openLiveInput(options); !opened) return opened;
  if (auto line = defaultPortNote(Direction::input, options.index)) note(*line);
  std::string heading;
  if (vorn::Status named = liveInputHeading(options.index, heading); !named) return named;
  if (vorn::Status opened = vorn::openout(); !opened) return opened;
  seq::LiveLines lines(vorn::getouthandle(), describer);
  lines.comment(heading);
  if (vorn::Status started = startMidiInput(); !started) return started;
  LiveDump dump(lines, options.timeoutMs);
  if (vorn::Status ran = dump.run(); !ran) return vorn::breakSignal() != 0 ? vorn::interruptedFault() : ran.fault();
  if (vorn::Status closed = vorn::closeout(); !closed) return closed;
  closeLiveInput();
  losses = dump.losses();
  return {};
}

}  // namespace midiio
