// zamodump: shows OSTRA sequences, DORNA streams, Standard MIDI Files and
// SysEx files as text, one event a line. A Standard MIDI File ("MThd") and a
// SysEx file (F0 and a data byte) are known by their first bytes; anything
// else is read as OSTRA, or as DORNA with -P; without -P or -Q a name ending
// in ".dorna" or ".ostra" chooses.
//
// A fault costs only its file: what was read is shown, the fault is reported
// with its byte offset, and the next file is read; the status is 1 at the end.
//
// With -I it reads a MIDI input instead, one line a message as it arrives,
// until Ctrl-C, the time-out of -W, or the input going away.
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "midiio/device_names.h"
#include "midiio/live_input.h"
#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "midiio/port_words.h"
#include "seq/live_lines.h"
#include "seq/foreign_input.h"
#include "seq/record_dump.h"
#include "seq/smf_dump.h"
#include "sysex/summary_describer.h"
#include "sysex/sysex_file_dump.h"
#include "vornlib/errors.h"
#include "vornlib/jchr.h"
#include "vornlib/numbers.h"

namespace {

seq::RecordDumpOptions recordOptions;
std::optional<seq::RecordShapes> chosenShapes;  // by -P or -Q

// The live input: -I, -W, -S.
constexpr std::uint32_t kLongestTimeoutSeconds = 120;
constexpr std::size_t kInputNodes = 4096;  // 1 MiB of SysEx, or 4096 short messages, behind the reader
constexpr std::size_t kInputBlocks = 4096;
constexpr std::uint32_t kClockPeriodMs = 10;
bool live = false;
bool inputChosen = false;
int inputIndex = midiio::kDefaultDevice;
std::uint32_t timeoutMs = midiio::kNoTimeout;
std::uint32_t inputMode = midiio::kInputLongData | midiio::kInputShortMessages;

bool optionI(std::string_view text) {
  live = true;
  if (text.empty()) return true;  // the default input
  inputChosen = midiio::findPortForOption(midiio::Direction::input, text, inputIndex);
  return inputChosen;
}

bool optionW(std::string_view text) {
  std::uint32_t seconds;
  if (text.empty()) {
    timeoutMs = midiio::kNoTimeout;
    return true;
  }
  if (!vorn::parseWholeDecimal(text, seconds) || seconds < 1 || seconds > kLongestTimeoutSeconds) return false;
  timeoutMs = seconds * 1000;
  return true;
}

const vorn::OptionEntry options[] = {
    {'P', frame::flagOption([] { chosenShapes = seq::RecordShapes::dorna; }),
     "-P      read DORNA streams (files that are neither SMF nor SysEx)", vorn::kWantsNoText},
    {'Q', frame::flagOption([] { chosenShapes = seq::RecordShapes::ostra; }),
     "-Q      read OSTRA sequences (the default, unless a name ends in .dorna); the last of -P/-Q counts",
     vorn::kWantsNoText},
    {'T', frame::stepLengthOption(recordOptions.stepMs),
     "-Tms    DORNA step length in milliseconds, 0.1 to below 1000 (default 8)", frame::kStepLengthWants},
    {'O', vorn::option_o, "-Ofile  write the text to file instead of standard output", "a file name"},
    {'I', optionI, "-Iname  show what arrives at this MIDI input instead (-I alone: ZAMO_MIDI_IN, else the first)"},
    {'W', optionW, "-Ws     with -I: end when nothing arrives for s seconds, 1 to 120 (-W alone: never)",
     "nothing, or whole seconds from 1 to 120"},
    {'S', frame::flagOption([] { inputMode |= midiio::kInputNoTimingClock | midiio::kInputNoActiveSensing; }),
     "-S      with -I: skip timing clock and active sensing", vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]",
                                        "Shows OSTRA, DORNA, Standard MIDI and SysEx files, or a MIDI input, as text, "
                                        "one event a line."};

enum class Kind { smf, sysExFile, records };

// Without -P or -Q the name's extension tells (in any letter case); OSTRA else.
seq::RecordShapes shapesFor(const char* name) {
  if (chosenShapes) return *chosenShapes;
  std::string_view word = name ? name : "";
  const std::size_t dot = word.rfind('.');
  if (dot != std::string_view::npos && vorn::JstrzCmpi(word.substr(dot), ".dorna") == 0) {
    return seq::RecordShapes::dorna;
  }
  return seq::RecordShapes::ostra;
}

// Looks at the first two bytes and gives them back.
Kind kindOf(vorn::ByteInput& in) {
  int first = in.get();
  if (first < 0) return Kind::records;
  int second = in.peek();
  in.unget();
  // "MT" cannot start an OSTRA or DORNA record (54 is no status), nor can
  // F0 and a data byte.
  if (first == 'M' && second == 'T') return Kind::smf;
  if (first == 0xF0 && second >= 0 && second < 0x80) return Kind::sysExFile;
  return Kind::records;
}

std::string recordsHeading() {
  if (recordOptions.shapes == seq::RecordShapes::ostra) {
    return "OSTRA sequence; time in ticks (480 per quarter note) and ms";
  }
  char step[32];
  std::snprintf(step, sizeof step, "%g", recordOptions.stepMs);
  return "DORNA stream; time in steps and ms at " + std::string(step) + " ms a step";
}

void report(const char* name, const std::string& text, std::optional<std::uint64_t> offset) {
  // What was read goes out before the fault is told.
  vorn::getouthandle().flush();
  frame::reportAt(name, text, offset);
}

int fileProc(const char* name) {
  vorn::ByteInput in;
  if (!in.open(name)) {
    frame::reportAt(name, vorn::errorText(static_cast<std::uint32_t>(errno)));
    return 1;
  }
  const std::string shownName = vorn::inputDisplayName(name);
  seq::DumpLines lines(vorn::getouthandle());
  sysex::SummaryDescriber describer;
  std::optional<seq::InputFault> fault;
  switch (kindOf(in)) {
    case Kind::smf:
      fault = seq::dumpSmf(in, shownName, lines, describer);
      break;
    case Kind::sysExFile:
      lines.comment(shownName + ": SysEx file; byte offset of each message");
      if (auto cut = sysex::dumpSysExFile(in, vorn::getouthandle())) fault = seq::InputFault{cut->text, cut->offset};
      break;
    case Kind::records:
      recordOptions.shapes = shapesFor(name);
      fault = seq::foreignInput(in, recordOptions.shapes == seq::RecordShapes::dorna ? seq::Expected::dorna
                                                                                    : seq::Expected::ostra);
      if (fault) break;
      lines.comment(shownName + ": " + recordsHeading());
      fault = seq::dumpRecords(in, lines, describer, recordOptions);
      break;
  }
  if (fault) report(name, fault->text, fault->offset);
  return 1;
}

// The live input's lines; counts what was cut or lost for the status.
class LiveDump final : public midiio::LiveListener {
 public:
  explicit LiveDump(seq::LiveLines& lines) : lines_(lines) {}
  void shortMessage(std::uint32_t ms, std::uint32_t packed) override { lines_.shortMessage(ms, packed); }
  void sysExBegin(std::uint32_t ms) override { lines_.sysExBegin(ms); }
  void sysExBytes(std::span<const std::uint8_t> bytes) override { lines_.sysExBytes(bytes); }
  void sysExEnd(const midiio::SysExCut& cut) override {
    if (cut.cause != midiio::CutCause::none) ++cuts;
    lines_.sysExEnd(cut.cause == midiio::CutCause::none ? "" : midiio::cutReason(cut, timeoutMs));
  }
  void hole(std::uint32_t ms, const midiio::InputLoss& lost) override {
    ++holes;
    lines_.note(ms, midiio::holeText(lost));
  }
  int cuts = 0;
  int holes = 0;

 private:
  seq::LiveLines& lines_;
};

void closeInput() {
  midiio::stopClock();
  midiio::closeMidiInput();
}

std::string counted(int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

void dumpInput() {
  frame::conHook(closeInput);
  (void)midiio::startClock(kClockPeriodMs);
  if (!inputChosen) frame::orEnd(midiio::chooseMidiInputFromEnvironment(inputIndex));
  frame::orEnd(midiio::openMidiInput(inputIndex, kInputNodes, kInputBlocks, inputMode));
  if (auto note = midiio::defaultPortNote(midiio::Direction::input, inputIndex)) frame::reportNote(*note);
  const midiio::DeviceList* devices = nullptr;
  frame::orEnd(midiio::midiDevices(devices));
  const std::vector<midiio::Device>& inputs = devices->inputs;
  const int shown = inputIndex == midiio::kDefaultDevice ? midiio::defaultDevice(inputs) : inputIndex;
  frame::openout();
  sysex::SummaryDescriber describer;
  seq::LiveLines lines(vorn::getouthandle(), describer);
  lines.comment(inputs[static_cast<std::size_t>(shown)].name + ": MIDI input (" +
                midiio::midiBackend()->systemName() + "); time in ms since the start");
  frame::orEnd(midiio::startMidiInput());
  LiveDump dump(lines);
  switch (midiio::readLiveInput(timeoutMs, dump)) {
    case midiio::LiveEnd::timedOut: lines.comment("end: nothing came for " + std::to_string(timeoutMs / 1000) + " s"); break;
    case midiio::LiveEnd::sourceLeft: lines.comment("end: " + midiio::receiveDetail()); break;
    case midiio::LiveEnd::failed:
      frame::pollBreak();
      frame::fail(midiio::receiveFault());
  }
  frame::closeout();
  closeInput();
  if (dump.cuts != 0) frame::reportError(counted(dump.cuts, "message") + " cut (the lines with \"cut:\")");
  if (dump.holes != 0) frame::reportError(counted(dump.holes, "hole") + " in the input (the lines with \"Hole:\")");
}

int mainProc() {
  const int files = frame::analoptionEx(descriptor);
  if (!live) {
    if (timeoutMs != midiio::kNoTimeout || inputMode & midiio::kInputNoTimingClock) {
      frame::reportError("-W and -S apply to a MIDI input, which -I names");
      return 1;
    }
    frame::openout();
    frame::forEachInput(descriptor, files, fileProc);
    frame::closeout();
    return 1;
  }
  if (files != 0) {
    frame::reportError("-I reads a MIDI input instead of files: give no file with it");
    return 1;
  }
  dumpInput();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZAMODUMP 1.00", argc, argv, mainProc); }
