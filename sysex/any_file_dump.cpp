#include "sysex/any_file_dump.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "seq/dump_lines.h"
#include "seq/foreign_input.h"
#include "seq/smf_dump.h"
#include "sysex/summary_describer.h"
#include "sysex/sysex_file_dump.h"
#include "vornlib/errors.h"
#include "vornlib/jchr.h"

namespace sysex {
namespace {

enum class Kind { smf, sysExFile, records };

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

std::string recordsHeading(const seq::RecordDumpOptions& options) {
  if (options.shapes == seq::RecordShapes::ostra) {
    return "OSTRA sequence; time in ticks (480 per quarter note) and ms";
  }
  char step[32];
  std::snprintf(step, sizeof step, "%g", options.stepMs);
  return "DORNA stream; time in steps and ms at " + std::string(step) + " ms a step";
}

}  // namespace

seq::RecordShapes recordShapesFor(const char* name, const std::optional<seq::RecordShapes>& chosen) {
  if (chosen) return *chosen;
  std::string_view word = name ? name : "";
  const std::size_t dot = word.rfind('.');
  if (dot != std::string_view::npos && vorn::JstrzCmpi(word.substr(dot), ".dorna") == 0) {
    return seq::RecordShapes::dorna;
  }
  return seq::RecordShapes::ostra;
}

std::optional<seq::InputFault> dumpAnyFile(vorn::ByteInput& in, const char* name, const AnyFileDumpOptions& options,
                                           vorn::ByteOutput& out) {
  const std::string shownName = vorn::inputDisplayName(name);
  seq::DumpLines lines(out);
  SummaryDescriber describer;
  switch (kindOf(in)) {
    case Kind::smf:
      return seq::dumpSmf(in, shownName, lines, describer);
    case Kind::sysExFile:
      lines.comment(shownName + ": SysEx file; byte offset of each message");
      if (auto cut = dumpSysExFile(in, out)) return seq::InputFault{cut->text, cut->offset};
      return std::nullopt;
    case Kind::records:
      break;
  }
  seq::RecordDumpOptions records = options.records;
  records.shapes = recordShapesFor(name, options.chosen);
  const auto expected = records.shapes == seq::RecordShapes::dorna ? seq::Expected::dorna : seq::Expected::ostra;
  if (auto fault = seq::foreignInput(in, expected)) return fault;
  lines.comment(shownName + ": " + recordsHeading(records));
  return seq::dumpRecords(in, lines, describer, records);
}

std::optional<seq::InputFault> dumpFile(const char* name, const AnyFileDumpOptions& options, vorn::ByteOutput& out) {
  vorn::ByteInput in;
  if (!in.open(name)) {
    const auto code = static_cast<std::uint32_t>(errno);
    return seq::InputFault{vorn::errorText(code), std::nullopt, code};
  }
  std::optional<seq::InputFault> fault = dumpAnyFile(in, name, options, out);
  if (fault) out.flush();
  return fault;
}

}  // namespace sysex
