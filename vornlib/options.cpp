#include "vornlib/options.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "vornlib/console.h"
#include "vornlib/streams.h"

namespace vorn {
namespace {

int gLeadingWords = 0;
// What the handler running now said about the text it refused.
std::string gRefusal;

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

[[noreturn]] void rejectOption(std::string_view message) {
  reportError(std::string(message) + " (see --help)");
  conEnd(kExitBadOption);
}

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

[[noreturn]] void rejectUnknown(const OptionDescriptor& descriptor, std::string_view word) {
  std::string message = "unknown option ";
  message += word;
  std::string letters = advertisedLetters(descriptor);
  message += letters.empty() ? std::string("; this tool takes no options") : "; the options are " + letters;
  rejectOption(message);
}

// Why `word` was refused: a text given as the next word, a value outside
// what the option wants, or (when the tool says nothing) just that.
[[noreturn]] void rejectInvalid(const OptionEntry& entry, std::string_view word, const char* nextWord) {
  // The handler's own words know more than the option's `wants`, and --help
  // would not tell more.
  if (!gRefusal.empty()) {
    reportError(std::string(word) + ": " + gRefusal);
    conEnd(kExitBadOption);
  }
  std::string letter = "-";
  letter += entry.letter;
  if (word.size() == 2 && nextWord != nullptr && !VornOptionIsOption(nextWord) && entry.wants != kWantsNoText) {
    rejectOption("option " + letter + " takes its text in the same word: " + letter + nextWord);
  }
  std::string message = "invalid option ";
  message += word;
  if (!entry.wants.empty()) {
    message += ": " + letter;
    message += entry.wants == kWantsNoText ? " takes " : " wants ";
    message += entry.wants;
  }
  rejectOption(message);
}

void printText(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

void explainRefusal(std::string why) { gRefusal = std::move(why); }

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

int analoptionEx(const OptionDescriptor& descriptor) {
  gLeadingWords = descriptor.leadingWords;
  for (int i = 0; i < argumentCount(); ++i) {
    std::string_view word(argument(i));
    if (word == "--") break;
    if (word == "--help" || word == "-h" || word == "-H") {
      printText(usageText(descriptor));
      conEnd(kExitOk);
    }
    if (word == "--version") {
      std::string banner(toolBanner());
      banner += "\n";
      printText(banner);
      conEnd(kExitOk);
    }
    if (!VornOptionIsOption(word)) continue;
    if (word[1] == '-') rejectUnknown(descriptor, word);
    char letter = upper(word[1]);
    const OptionEntry* found = nullptr;
    for (const OptionEntry& entry : descriptor.table) {
      if (entry.letter == letter) {
        found = &entry;
        break;
      }
    }
    if (found == nullptr) rejectUnknown(descriptor, word);
    gRefusal.clear();
    if (!found->handler || !found->handler(word.substr(2))) rejectInvalid(*found, word, argument(i + 1));
  }
  int count = static_cast<int>(plainWords().size()) - descriptor.leadingWords;
  return count > 0 ? count : 0;
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

}  // namespace vorn
