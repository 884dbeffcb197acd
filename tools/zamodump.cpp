// zamodump: shows OSTRA sequences, DORNA streams, Standard MIDI Files and
// SysEx files as text, one event a line. A Standard MIDI File ("MThd") and a
// SysEx file (F0 and a data byte) are known by their first bytes; anything
// else is read as OSTRA, or as DORNA with -P; without -P or -Q a name ending
// in ".dorna" or ".ostra" chooses.
//
// A fault costs only its file: what was read is shown, the fault is reported
// with its byte offset, and the next file is read; the status is 1 at the end.
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "seq/foreign_input.h"
#include "seq/record_dump.h"
#include "seq/smf_dump.h"
#include "sysex/summary_describer.h"
#include "sysex/sysex_file_dump.h"
#include "vornlib/errors.h"
#include "vornlib/jchr.h"

namespace {

seq::RecordDumpOptions recordOptions;
std::optional<seq::RecordShapes> chosenShapes;  // by -P or -Q

const vorn::OptionEntry options[] = {
    {'P', frame::flagOption([] { chosenShapes = seq::RecordShapes::dorna; }),
     "-P      read DORNA streams (files that are neither SMF nor SysEx)", vorn::kWantsNoText},
    {'Q', frame::flagOption([] { chosenShapes = seq::RecordShapes::ostra; }),
     "-Q      read OSTRA sequences (the default, unless a name ends in .dorna); the last of -P/-Q counts",
     vorn::kWantsNoText},
    {'T', frame::stepLengthOption(recordOptions.stepMs),
     "-Tms    DORNA step length in milliseconds, 0.1 to below 1000 (default 8)", frame::kStepLengthWants},
    {'O', vorn::option_o, "-Ofile  write the text to file instead of standard output", "a file name"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file...]",
                                        "Shows OSTRA, DORNA, Standard MIDI and SysEx files as text, one event a line."};

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
  vorn::reportAt(name, text, offset);
}

int fileProc(const char* name) {
  vorn::ByteInput in;
  if (!in.open(name)) {
    vorn::reportAt(name, vorn::errorText(static_cast<std::uint32_t>(errno)));
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

int mainProc() { return frame::standardMain(descriptor, fileProc); }

}  // namespace

int main(int argc, char** argv) { return frame::runTool("ZAMODUMP 1.00", argc, argv, mainProc); }
