#pragma once
// The command lines the documents show, as a reader would type them.
//
// What counts as a shown command:
//   - in Markdown (README.md, docs/*.md): every line of a block fenced as
//     ```sh; other blocks (```text synopses, ```mml sources, plain ```
//     output) are not commands;
//   - in a man page (docs/man/*.1): every line between .EX and .EE, with
//     the roff escapes \- \e \(aq \(dq \(ga \(ha \(ti \& read as the
//     characters they print;
//   - a command goes on over the next lines until it is a complete shell
//     command (a line ending in "\" or "|", an open "{" or quote);
//   - a trailing comment may state the result: "# => text" is the standard
//     output (blanks do not count), "# writes a b ..." names files the
//     command must leave non-empty.
#include <string>
#include <vector>

namespace docstest {

struct ShownCommand {
  std::string text;  // the shell text, comment included
  int line = 0;      // where it starts in the document
};

struct Extraction {
  std::vector<ShownCommand> commands;
  std::vector<std::string> faults;  // "file:line: what", for a command that cannot be read
  int exampleBlocks = 0;
};

Extraction markdownCommands(const std::string& document, const std::string& name);
Extraction manPageCommands(const std::string& page, const std::string& name);

// The text of a command's trailing comment, or "" (a "#" after a blank,
// outside quotes).
std::string trailingComment(const std::string& command);
// The command without its trailing comment.
std::string withoutComment(const std::string& command);
// Whether `out` is what the command's "# =>" comment states (blanks do not
// count); true for a command without one.
bool givesStatedOutput(const std::string& command, const std::string& out);

}  // namespace docstest
