// MIRVOK: selects the messages of SysEx files by patterns, checks their
// checksums, and writes them whole, cut into the marked ranges, or counted.
#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "sysex/pattern_compiler.h"
#include "sysex/scan.h"
#include "sysex/selector.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/run_inputs.h"

namespace {

using namespace sysex;

std::uint32_t flags = 0;
PatternValues values;
std::vector<std::uint8_t> program;

constexpr std::size_t kPatternFileLimit = 16 << 20;

// -C counts, -CT counts with numbers; the later of -C and -E wins.
bool optionC(std::string_view text) {
  if (!text.empty() && text != "T" && text != "t") return false;
  flags &= ~(kSelectCountT | kSelectExtract);
  flags |= kSelectCount;
  if (!text.empty()) flags |= kSelectCountT;
  return true;
}

bool optionE(std::string_view text) {
  if (!text.empty()) return false;
  flags &= ~(kSelectCount | kSelectCountT);
  flags |= kSelectExtract;
  return true;
}

bool byteValue(std::string_view text, std::uint8_t& out) {
  std::uint32_t value;
  if (!vorn::parseWholeHex(text, value) || value > 0x7F) return false;
  out = static_cast<std::uint8_t>(value);
  return true;
}

bool optionI(std::string_view text) { return byteValue(text, values.id); }

// -Pd=hh
bool optionP(std::string_view text) {
  if (text.size() < 3 || text[0] < '0' || text[0] > '9' || text[1] != '=') return false;
  return byteValue(text.substr(2), values.params[text[0] - '0']);
}

// "p.txt:2:5": a pattern file's line ends survive into its text, so lines
// count as in the file (columns too, unless the line held control characters).
std::string placeInFile(const std::string& fileName, std::string_view text, std::size_t offset) {
  std::string_view before = text.substr(0, offset);
  std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  std::size_t lineStart = before.rfind('\n');
  std::size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
  return fileName + ":" + std::to_string(line) + ":" + std::to_string(column);
}

// A syntax error ends the run before any input is read.
bool optionS(std::string_view text) {
  if (text.empty() || text == ":") return false;
  std::string source;
  std::string fileName;
  if (text[0] == ':') {
    fileName = std::string(text.substr(1));
    // The pattern file is read by this run: no output may overwrite it.
    vorn::addRunInput(fileName.c_str());
    source = patternFileText(frame::readWholeFile(fileName.c_str(), kPatternFileLimit));
  } else {
    source = std::string(text);
  }
  if (auto error = compilePattern(source, values, program)) {
    std::string what = vorn::errorText(vorn::kErrBadSelection) + ": " + error->what;
    if (fileName.empty()) {
      frame::reportAt(("-S" + source).c_str(), what, error->offset);
    } else {
      frame::reportError(placeInFile(fileName, source, error->offset) + ": " + what);
    }
    frame::conBreak();
  }
  return true;
}

constexpr std::string_view kWantsByte = "a hexadecimal byte 00..7F";

const vorn::OptionEntry options[] = {
    {'A', frame::flagOption(flags, kSelectAll), "-A      select only messages that every pattern matches",
     vorn::kWantsNoText},
    {'C', optionC, "-C[T]   count: list the files holding a selected message (T: with counts)",
     "nothing, or T for the counts"},
    {'E', optionE, "-E      write only the ranges the patterns mark with { }", vorn::kWantsNoText},
    {'I', optionI, "-Ihh    the byte .ID stands for (hexadecimal, default 0)", kWantsByte},
    {'O', vorn::option_o, "-Ofile  write to that file (default standard output)", "a file name"},
    {'P', optionP, "-Pd=hh  the byte .Pd stands for (d 0..9, hexadecimal)",
     "a digit 0..9, = and a hexadecimal byte 00..7F, as in -P3=1A"},
    {'S', optionS, "-Stext  a selection pattern; -S:file reads it from a file",
     "a pattern, or : and a pattern file name"},
    {'V', frame::flagOption(flags, kSelectInvert), "-V      invert the selection",
     vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx...]",
                                        "Selects SysEx messages by patterns and writes them whole, cut, or counted."};

std::optional<Selector> selector;  // made once the options are known

int fileProc(const char* name) {
  return frame::withInput(name, [name] {
    SelectFault fault;
    try {
      fault = selector->selectFile(vorn::getinhandle(), vorn::getouthandle(), name);
    } catch (const std::bad_alloc&) {
      frame::reportAt(name, "out of memory holding the message", selector->messageStart());
      frame::conBreak();
    }
    switch (fault.kind) {
      case SelectFault::None:
        break;
      case SelectFault::MalformedMessage:
        frame::failInput(vorn::kErrMalformedInput, cutMessageText(vorn::getinhandle(), selector->messageStart()),
                         vorn::currentInputOffset());
      case SelectFault::MessageTooLong:
        frame::reportAt(name, "a message longer than 4 GiB", selector->messageStart());
        frame::conBreak();
      case SelectFault::BadPattern:
        frame::reportError(vorn::errorText(vorn::kErrBadSelection) + ": pattern " + std::to_string(fault.pattern) +
                     " opens a range while one is open, or closes one that is not open");
        frame::conBreak();
    }
  });
}

// Options that cannot select (or write) a single message are most likely a
// forgotten pattern: say so, then run as asked.
void tellWhenNothingCanBeSelected() {
  const bool all = flags & kSelectAll, invert = flags & kSelectInvert;
  if (program.empty() && all == invert) {
    frame::reportNote(all ? "no message can be selected: -A with no pattern selects every message, and -V inverts that"
                         : "no message can be selected: no pattern was given (-Spattern); -A or -V alone selects every "
                           "message");
  } else if ((flags & kSelectExtract) && invert) {
    frame::reportNote("nothing can be written: -E writes the ranges a pattern marks, and the messages -V selects "
                     "matched no pattern");
  }
}

int mainProc() {
  return frame::standardMain(descriptor, fileProc, [] {
    tellWhenNothingCanBeSelected();
    selector.emplace(program, flags);
  });
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("MIRVOK 1.00", argc, argv, mainProc); }
