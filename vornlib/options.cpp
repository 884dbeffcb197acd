#include "vornlib/options.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vornlib/numbers.h"
#include "vornlib/run_args.h"
#include "vornlib/streams.h"

namespace vorn {
namespace {

int gLeadingWords = 0;
// What the handler running now said about the text it refused.
std::string gRefusal;
// A fault the handler running now met (optionFault).
std::optional<Fault> gHandlerFault;

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Non-option words, in order; "--" makes every later word one.
std::vector<const char*> plainWords() {
  std::vector<const char*> words;
  bool optionsEnded = false;
  for (int i = 0; i < argumentCount(); ++i) {
    const char* word = argument(i);
    std::string_view w(word);
    if (!optionsEnded && w == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || !VornOptionIsOption(w)) words.push_back(word);
  }
  return words;
}

std::string rejection(std::string_view message) { return std::string(message) + " (see --help)"; }

// "-D -L -O": the letters a user may give.
std::string advertisedLetters(const OptionDescriptor& descriptor) {
  std::string letters;
  for (const OptionEntry& entry : descriptor.table) {
    if (entry.help.empty()) continue;
    if (!letters.empty()) letters += ' ';
    letters += '-';
    letters += entry.letter;
  }
  return letters;
}

std::string unknownOption(const OptionDescriptor& descriptor, std::string_view word) {
  std::string message = "unknown option ";
  message += word;
  std::string letters = advertisedLetters(descriptor);
  message += letters.empty() ? std::string("; this tool takes no options") : "; the options are " + letters;
  return rejection(message);
}

// Why `word` was refused: a text given as the next word, a value outside
// what the option wants, or (when the tool says nothing) just that.
std::string invalidOption(const OptionEntry& entry, std::string_view word, const char* nextWord) {
  // The handler's own words know more than the option's `wants`, and --help
  // would not tell more.
  if (!gRefusal.empty()) return std::string(word) + ": " + gRefusal;
  std::string letter = "-";
  letter += entry.letter;
  if (word.size() == 2 && nextWord != nullptr && !VornOptionIsOption(nextWord) && entry.wants != kWantsNoText) {
    return rejection("option " + letter + " takes its text in the same word: " + letter + nextWord);
  }
  std::string message = "invalid option ";
  message += word;
  if (!entry.wants.empty()) {
    message += ": " + letter;
    message += entry.wants == kWantsNoText ? " takes " : " wants ";
    message += entry.wants;
  }
  return rejection(message);
}

OptionsRead ended(OptionsEnd end, std::string text) {
  OptionsRead read;
  read.end = end;
  read.text = std::move(text);
  return read;
}

}  // namespace

void explainRefusal(std::string why) { gRefusal = std::move(why); }

void optionFault(Fault fault) { gHandlerFault = std::move(fault); }

bool VornOptionIsOption(std::string_view word) { return word.size() >= 2 && word[0] == '-'; }

std::string usageText(const OptionDescriptor& descriptor) {
  std::string text = "usage: ";
  text += toolName();
  text += " ";
  text += descriptor.usage.empty() ? std::string_view("[options] [file...]") : descriptor.usage;
  text += "\n";
  if (!descriptor.summary.empty()) {
    text += descriptor.summary;
    text += "\n";
  }
  text += "\noptions (an option is one word: -LETTERtext; letters are case-insensitive):\n";
  for (const OptionEntry& entry : descriptor.table) {
    if (entry.help.empty()) continue;
    text += "  ";
    text += entry.help;
    text += "\n";
  }
  text += "  --         end of options\n  --help, -h this text\n  --version  the version\n";
  return text;
}

OptionsRead readOptions(const OptionDescriptor& descriptor) {
  gLeadingWords = descriptor.leadingWords;
  for (int i = 0; i < argumentCount(); ++i) {
    std::string_view word(argument(i));
    if (word == "--") break;
    if (word == "--help" || word == "-h" || word == "-H") return ended(OptionsEnd::printed, usageText(descriptor));
    if (word == "--version") return ended(OptionsEnd::printed, std::string(toolBanner()) + "\n");
    if (!VornOptionIsOption(word)) continue;
    if (word[1] == '-') return ended(OptionsEnd::rejected, unknownOption(descriptor, word));
    char letter = upper(word[1]);
    const OptionEntry* found = nullptr;
    for (const OptionEntry& entry : descriptor.table) {
      if (entry.letter == letter) {
        found = &entry;
        break;
      }
    }
    if (found == nullptr) return ended(OptionsEnd::rejected, unknownOption(descriptor, word));
    gRefusal.clear();
    gHandlerFault.reset();
    if (!found->handler || !found->handler(word.substr(2))) {
      if (gHandlerFault) {
        OptionsRead read = ended(OptionsEnd::fault, {});
        read.fault = std::move(gHandlerFault);
        return read;
      }
      return ended(OptionsEnd::rejected, invalidOption(*found, word, argument(i + 1)));
    }
  }
  OptionsRead read;
  int count = static_cast<int>(plainWords().size()) - descriptor.leadingWords;
  read.files = count > 0 ? count : 0;
  return read;
}

int analfileExec(const OptionDescriptor& descriptor, const FileProc& fileProc) {
  std::vector<const char*> words = plainWords();
  int called = 0;
  for (std::size_t i = static_cast<std::size_t>(descriptor.leadingWords); i < words.size(); ++i) {
    const char* name = std::string_view(words[i]) == "-" ? nullptr : words[i];
    ++called;
    if (!fileProc(name)) break;
  }
  return called;
}

std::vector<const char*> fileArguments() {
  std::vector<const char*> words = plainWords();
  std::size_t lead = std::min(words.size(), static_cast<std::size_t>(gLeadingWords));
  words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(lead));
  return words;
}

const char* getparamDirect(int index) {
  std::vector<const char*> words = plainWords();
  if (index < 1 || static_cast<std::size_t>(index) > words.size()) return nullptr;
  return words[static_cast<std::size_t>(index - 1)];
}

bool option_o(std::string_view text) {
  if (text.empty()) return false;
  // The text lives in argv for the whole run.
  setOutputName(text.data());
  return true;
}

bool option_n(std::string_view) { return true; }

OptionHandler numberOption(std::uint32_t& value, std::uint32_t low, std::uint32_t high,
                           std::optional<std::uint32_t> alone) {
  return [&value, low, high, alone](std::string_view text) {
    if (text.empty() && alone) {
      value = *alone;
      return true;
    }
    return parseDecimalIn(text, low, high, value);
  };
}

}  // namespace vorn
