#pragma once
// Command-line options and file arguments.
//
// An option is one word: "-" + letter + text ("-T7.5", "-X", "-Oout.bin");
// letters are case-insensitive. "--" ends the options; "--help" prints the
// usage and "--version" the banner. Every other word is a file argument; a
// lone "-" is a file argument that means standard input.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <optional>
#include <vector>

#include "vornlib/fault.h"

namespace vorn {

// Takes the text after the letter ("" for a bare letter); false rejects it.
using OptionHandler = std::function<bool(std::string_view text)>;

struct OptionEntry {
  char letter;            // upper-case ASCII
  OptionHandler handler;
  // One line for --help, e.g. "-Tn  step length in ms (default 8)"; an
  // empty line keeps the option out of the usage (accepted, not advertised).
  std::string_view help;
  // What the option takes, for the message that rejects it: "-T wants " +
  // this ("a step length from 0.1 up to 999.99"); empty: no reason given.
  std::string_view wants = {};
};

// A handler about to refuse its text may say why in its own words; the
// refusal then reads "-Ename: why" instead of naming what the option wants.
void explainRefusal(std::string why);
// A handler that meets a fault that is no fault of its text (no MIDI system
// to look a port up in) hands it here and returns false: the run then ends
// with that fault, not with a refused option.
void optionFault(Fault fault);

// The `wants` of an option that takes no text.
inline constexpr std::string_view kWantsNoText = "no text after the letter";

struct OptionDescriptor {
  std::span<const OptionEntry> table;
  // Words at the head of the arguments that are not file arguments
  // (praven's script word); reached with getparamDirect.
  int leadingWords = 0;
  std::string_view usage;  // what follows the tool name in the usage line, e.g. "[options] [file...]"
  std::string_view summary;  // one sentence on what the tool does
};

// How reading the options ended: the run goes on, or it ends after printing
// the usage or the version (status 0), on a rejected or unknown option
// (status 2), or on a handler's fault (optionFault).
enum class OptionsEnd { none, printed, rejected, fault };

struct OptionsRead {
  OptionsEnd end = OptionsEnd::none;
  int files = 0;     // the number of file arguments, when the run goes on
  // printed: the text for standard output; rejected: the message saying
  // why, without the tool's name.
  std::string text;
  std::optional<Fault> fault;  // the handler's fault
};

// Runs every option's handler in command-line order, until one is refused.
// "--help" (or a bare "-h") and "--version" end it too. The frame's
// analoptionEx acts on what it gives.
OptionsRead readOptions(const OptionDescriptor& descriptor);

// File procedures take a name (nullptr = standard input) and return nonzero to go on.
using FileProc = std::function<int(const char* name)>;

// Calls `fileProc` once per file argument, in order, until one returns 0.
// Returns how many were called.
int analfileExec(const OptionDescriptor& descriptor, const FileProc& fileProc);

// The file arguments of the run (the words that are not options, after the
// leading words), as readOptions counted them.
std::vector<const char*> fileArguments();

// The index-th word (1-based) that is not an option, or nullptr.
const char* getparamDirect(int index);

// True when `word` is an option word (starts with "-" and has a letter).
bool VornOptionIsOption(std::string_view word);

// vornlib's own handlers: O names the output file (a non-empty text);
// N is accepted and ignored (kept so existing command lines still run).
bool option_o(std::string_view text);
bool option_n(std::string_view text);

// A whole decimal from `low` to `high` into `value`; with `alone`, the
// letter alone sets that value.
OptionHandler numberOption(std::uint32_t& value, std::uint32_t low, std::uint32_t high,
                           std::optional<std::uint32_t> alone = std::nullopt);

// The usage text --help prints.
std::string usageText(const OptionDescriptor& descriptor);

}  // namespace vorn
