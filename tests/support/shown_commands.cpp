#include "shown_commands.h"

#include <sstream>
#include <utility>

#include "run_tool.h"

namespace docstest {
namespace {

// Where the trailing comment starts, or npos.
std::size_t commentStart(const std::string& command) {
  char quote = 0;
  for (std::size_t i = 0; i < command.size(); ++i) {
    char c = command[i];
    if (quote) {
      if (c == quote) quote = 0;
      else if (c == '\\' && quote == '"') ++i;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '\\') {
      ++i;
    } else if (c == '#' && (i == 0 || command[i - 1] == ' ' || command[i - 1] == '\t' || command[i - 1] == '\n')) {
      return i;
    }
  }
  return std::string::npos;
}

bool completeShellCommand(const std::string& text) {
  std::size_t last = text.find_last_not_of(" \t\n");
  if (last != std::string::npos && text[last] == '\\') return false;
  return zamotest::runProgram("/bin/bash", {"-n", "-c", text}).status == 0;
}

// Gathers the lines of one example block into commands.
class Gatherer {
 public:
  Gatherer(Extraction& out, std::string name) : out_(out), name_(std::move(name)) {}
  void line(const std::string& text, int number) {
    if (pending_.empty()) {
      std::size_t first = text.find_first_not_of(" \t");
      if (first == std::string::npos || text[first] == '#') return;
      start_ = number;
    }
    pending_ += (pending_.empty() ? "" : "\n") + text;
    if (completeShellCommand(pending_)) {
      out_.commands.push_back({pending_, start_});
      pending_.clear();
    }
  }
  void endBlock() {
    if (!pending_.empty()) out_.faults.push_back(name_ + ":" + std::to_string(start_) + ": not a complete command: " + pending_);
    pending_.clear();
    ++out_.exampleBlocks;
  }

 private:
  Extraction& out_;
  std::string name_;
  std::string pending_;
  int start_ = 0;
};

// The characters a line of an .EX block prints; false for an escape this
// reader does not know, so that a mistyped example is not run as something else.
bool unescapeRoff(const std::string& line, std::string& text) {
  static const std::pair<const char*, const char*> kEscapes[] = {
      {"\\-", "-"}, {"\\e", "\\"}, {"\\(aq", "'"}, {"\\(dq", "\""}, {"\\(ga", "`"},
      {"\\(ha", "^"}, {"\\(ti", "~"}, {"\\&", ""},
  };
  text.clear();
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] != '\\') {
      text += line[i++];
      continue;
    }
    bool known = false;
    for (const auto& [escape, printed] : kEscapes) {
      if (line.compare(i, std::string(escape).size(), escape) == 0) {
        text += printed;
        i += std::string(escape).size();
        known = true;
        break;
      }
    }
    if (!known) return false;
  }
  return true;
}

}  // namespace

std::string trailingComment(const std::string& command) {
  std::size_t start = commentStart(command);
  if (start == std::string::npos) return "";
  std::string comment = command.substr(start + 1);
  std::size_t first = comment.find_first_not_of(" \t");
  return first == std::string::npos ? "" : comment.substr(first);
}

std::string withoutComment(const std::string& command) {
  std::string text = command.substr(0, commentStart(command));
  std::size_t last = text.find_last_not_of(" \t\n");
  return last == std::string::npos ? "" : text.substr(0, last + 1);
}

Extraction markdownCommands(const std::string& document, const std::string& name) {
  Extraction out;
  Gatherer gather(out, name);
  std::istringstream lines(document);
  std::string line;
  int number = 0;
  enum { kText, kShell, kOther } state = kText;
  while (std::getline(lines, line)) {
    ++number;
    if (state == kText) {
      if (line.rfind("```", 0) == 0) state = line == "```sh" ? kShell : kOther;
    } else if (line == "```") {
      if (state == kShell) gather.endBlock();
      state = kText;
    } else if (state == kShell) {
      gather.line(line, number);
    }
  }
  if (state != kText) out.faults.push_back(name + ": a fenced block is not closed");
  return out;
}

Extraction manPageCommands(const std::string& page, const std::string& name) {
  Extraction out;
  Gatherer gather(out, name);
  std::istringstream lines(page);
  std::string line, text;
  int number = 0;
  bool inExample = false;
  while (std::getline(lines, line)) {
    ++number;
    if (!inExample) {
      inExample = line == ".EX";
      continue;
    }
    if (line == ".EE") {
      gather.endBlock();
      inExample = false;
    } else if (line.rfind(".", 0) == 0 || line.rfind("\\\"", 0) == 0) {
      out.faults.push_back(name + ":" + std::to_string(number) + ": a request inside an example: " + line);
    } else if (!unescapeRoff(line, text)) {
      out.faults.push_back(name + ":" + std::to_string(number) + ": an escape the examples do not use: " + line);
    } else {
      gather.line(text, number);
    }
  }
  if (inExample) out.faults.push_back(name + ": .EX without .EE");
  return out;
}

namespace {

std::string squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') out += c;
  }
  return out;
}

}  // namespace

bool givesStatedOutput(const std::string& command, const std::string& out) {
  const std::string comment = trailingComment(command);
  return comment.rfind("=>", 0) != 0 || squeezed(out) == squeezed(comment.substr(2));
}

}  // namespace docstest
