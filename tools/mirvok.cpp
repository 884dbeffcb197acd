// MIRVOK: selects the messages of SysEx files by patterns, checks their
// checksums, and writes them whole, cut into the marked ranges, or counted.
#include <optional>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "sysex/pattern_compiler.h"
#include "sysex/selector.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"

namespace {

using namespace sysex;

std::uint32_t flags = 0;
PatternValues values;
std::vector<std::uint8_t> program;

constexpr std::size_t kPatternFileLimit = 16 << 20;

bool flagOption(std::string_view text, std::uint32_t bit) {
  if (!text.empty()) return false;
  flags |= bit;
  return true;
}

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

// A syntax error ends the run before any input is read.
bool optionS(std::string_view text) {
  if (text.empty() || text == ":") return false;
  std::string source;
  std::string where;
  if (text[0] == ':') {
    std::string fileName(text.substr(1));
    source = patternFileText(vorn::readWholeFile(fileName.c_str(), kPatternFileLimit));
    where = "pattern file " + fileName;
  } else {
    source = std::string(text);
    where = "pattern \"" + source + "\"";
  }
  if (auto error = compilePattern(source, values, program)) {
    vorn::errBox(vorn::errorText(vorn::kErrBadSelection) + ": " + error->what + " (" + where + ", at offset " +
                 std::to_string(error->offset) + ")");
    vorn::conBreak();
  }
  return true;
}

const vorn::OptionEntry options[] = {
    {'A', [](std::string_view t) { return flagOption(t, kSelectAll); }, "-A      select only messages that every pattern matches"},
    {'C', optionC, "-C[T]   count: list the files holding a selected message (T: with counts)"},
    {'E', optionE, "-E      write only the ranges the patterns mark with { }"},
    {'I', optionI, "-Ihh    the byte .ID stands for (hexadecimal, default 0)"},
    {'O', vorn::option_o, "-Ofile  write to that file (default standard output)"},
    {'P', optionP, "-Pd=hh  the byte .Pd stands for (d 0..9, hexadecimal)"},
    {'S', optionS, "-Stext  a selection pattern; -S:file reads it from a file"},
    {'V', [](std::string_view t) { return flagOption(t, kSelectInvert); }, "-V      invert the selection"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx...]",
                                        "Selects SysEx messages by patterns and writes them whole, cut, or counted."};

std::optional<Selector> selector;  // made once the options are known

int fileProc(const char* name) {
  return frame::withInput(name, [name] {
    SelectFault fault = selector->selectFile(vorn::getinhandle(), vorn::getouthandle(), name);
    switch (fault.kind) {
      case SelectFault::None:
        break;
      case SelectFault::MalformedMessage:
        frame::failInput(vorn::kErrMalformedInput);
      case SelectFault::MessageTooLong:
        vorn::errBox(vorn::inputDisplayName(name) + ": a message longer than 4 GiB");
        vorn::conBreak();
      case SelectFault::BadPattern:
        vorn::errBox(vorn::errorText(vorn::kErrBadSelection) + ": pattern " + std::to_string(fault.pattern) +
                     " opens a range while one is open, or closes one that is not open");
        vorn::conBreak();
    }
  });
}

int mainProc() {
  vorn::conHook([] {});
  return frame::standardMain(descriptor, fileProc, [] { selector.emplace(program, flags); });
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("MIRVOK 1.00", argc, argv, mainProc); }
