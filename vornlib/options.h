#pragma once
// Command-line options and file arguments.
//
// An option is one word: "-" + letter + text ("-T7.5", "-X", "-Oout.bin");
// letters are case-insensitive. "--" ends the options; "--help" prints the
// usage and "--version" the banner. Every other word is a file argument; a
// lone "-" is a file argument that means standard input.
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// Runs every option's handler in command-line order. A rejected or unknown
// option is reported, saying why, and ends the run with status 2. Returns the
// number of file arguments. "--help" (or a bare "-h") and "--version" print
// and end the run with status 0.
int analoptionEx(const OptionDescriptor& descriptor);

// File procedures take a name (nullptr = standard input) and return nonzero to go on.
using FileProc = std::function<int(const char* name)>;

// Calls `fileProc` once per file argument, in order, until one returns 0.
// Returns how many were called.
int analfileExec(const OptionDescriptor& descriptor, const FileProc& fileProc);

// The file arguments of the run (the words that are not options, after the
// leading words), as analoptionEx counted them.
std::vector<const char*> fileArguments();

// The index-th word (1-based) that is not an option, or nullptr.
const char* getparamDirect(int index);

// True when `word` is an option word (starts with "-" and has a letter).
bool VornOptionIsOption(std::string_view word);

// vornlib's own handlers: O names the output file (a non-empty text);
// N is accepted and ignored (kept so existing command lines still run).
bool option_o(std::string_view text);
bool option_n(std::string_view text);

// The usage text --help prints.
std::string usageText(const OptionDescriptor& descriptor);

}  // namespace vorn
