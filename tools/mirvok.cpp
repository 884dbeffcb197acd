// MIRVOK: selects the messages of SysEx files by patterns, checks their
// checksums, and writes them whole, cut into the marked ranges, or counted.
#include <optional>
#include <string_view>

#include "frame/frame.h"
#include "sysex/file_selection.h"
#include "sysex/selection_options.h"
#include "sysex/selector.h"

namespace {

using namespace sysex;

SelectionOptions selection;

// A syntax error ends the run before any input is read.
bool optionS(std::string_view text) {
  if (text.empty() || text == ":") return false;
  frame::orEnd(selection.pattern(text));
  return true;
}

constexpr std::string_view kWantsByte = "a hexadecimal byte 00..7F";

const vorn::OptionEntry options[] = {
    {'A', frame::flagOption(selection.flags, kSelectAll), "-A      select only messages that every pattern matches",
     vorn::kWantsNoText},
    {'C', [](std::string_view t) { return selection.count(t); },
     "-C[T]   count: list the files holding a selected message (T: with counts)", "nothing, or T for the counts"},
    {'E', [](std::string_view t) { return selection.extract(t); },
     "-E      write only the ranges the patterns mark with { }", vorn::kWantsNoText},
    {'I', [](std::string_view t) { return selection.id(t); },
     "-Ihh    the byte .ID stands for (hexadecimal, default 0)", kWantsByte},
    {'O', vorn::option_o, "-Ofile  write to that file (default standard output)", "a file name"},
    {'P', [](std::string_view t) { return selection.param(t); },
     "-Pd=hh  the byte .Pd stands for (d 0..9, hexadecimal)",
     "a digit 0..9, = and a hexadecimal byte 00..7F, as in -P3=1A"},
    {'S', optionS, "-Stext  a selection pattern; -S:file reads it from a file",
     "a pattern, or : and a pattern file name"},
    {'V', frame::flagOption(selection.flags, kSelectInvert), "-V      invert the selection",
     vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx...]",
                                        "Selects SysEx messages by patterns and writes them whole, cut, or counted."};

std::optional<Selector> selector;  // made once the options are known

int fileProc(const char* name) {
  return frame::withInput(name, [name] {
    frame::orEnd(selectFromFile(*selector, vorn::getinhandle(), vorn::getouthandle(), name));
  });
}

int mainProc() {
  return frame::standardMain(descriptor, fileProc, [] {
    // Told, then the run goes as asked.
    if (auto note = selection.nothingSelectableNote()) frame::reportNote(*note);
    selector.emplace(selection.program, selection.flags);
  });
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("MIRVOK 1.00", argc, argv, mainProc); }
