// Runs every command line that README.md, docs/*.md and the man pages show
// (see shown_commands.h for what counts), each document's commands in order
// in a scratch folder of its own that holds the bundled examples and the
// files the commands name (scratch_files.sh), with the built tools first on
// the PATH. A command must end with status 0, leave the file it redirects
// its output to non-empty, and give what its comment says it gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run_tool.h"
#include "seq/ostra.h"
#include "shown_commands.h"

namespace {

namespace fs = std::filesystem;
using docstest::Extraction;
using docstest::ShownCommand;
using zamotest::readFile;
using zamotest::runProgram;
using zamotest::TempDir;
using zamotest::ToolRun;

const fs::path kSource = ZAMO_SOURCE_DIR;

// Commands that are shown but not run here, by the words that make them so.
struct Skip {
  const char* words;  // one word, or several in a row
  const char* reason;
};
const Skip kSkipped[] = {
    {"teskar", "needs a MIDI output port"},
    {"droska", "needs a MIDI output port"},
    {"make_request", "a program of the reader's own"},
    {"navlin", "lists the MIDI ports of the machine"},
    {"scripts/demo", "installs packages and builds: the set-up itself"},
    {"scripts/test", "installs packages, builds and runs these tests"},
    {"scripts/setup", "installs packages"},
    {"scripts/build", "builds the whole tree"},
    {"cmake -S", "configures the whole tree"},
    {"cmake --build", "builds the whole tree"},
    {"sudo", "needs root"},
    {"ctest", "runs these tests"},
};

// Documents whose examples are not shell commands at all.
const char* const kNoCommands[] = {"docs/design.md", "docs/formats.md", "docs/kel.md", "docs/messages.md"};
// Documents whose commands talk to an instrument: they run on JACK, against
// an emulated one (tests/midiio/cookbook_test.cpp).
const char* const kRunOnJack[] = {"docs/cookbook.md"};

struct Document {
  std::string name;  // relative to the source folder
  Extraction shown;
};

std::vector<Document> documents() {
  std::vector<std::string> names = {"README.md"};
  for (const char* folder : {"docs", "docs/man"}) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(kSource / folder)) {
      std::string ext = entry.path().extension().string();
      if (ext == ".md" || ext == ".1" || ext == ".7") {
        found.push_back(std::string(folder) + "/" + entry.path().filename().string());
      }
    }
    std::sort(found.begin(), found.end());
    names.insert(names.end(), found.begin(), found.end());
  }
  std::vector<Document> docs;
  for (const std::string& name : names) {
    std::string text = readFile(kSource / name);
    const std::string ext = fs::path(name).extension().string();
    bool man = ext == ".1" || ext == ".7";
    docs.push_back({name, man ? docstest::manPageCommands(text, name) : docstest::markdownCommands(text, name)});
  }
  return docs;
}

// The words of a command's shell text, split at blanks and pipeline signs.
std::vector<std::string> words(const std::string& text) {
  std::string spaced;
  for (char c : text) spaced += (c == '|' || c == ';' || c == '&' || c == '{' || c == '}') ? ' ' : c;
  std::istringstream in(spaced);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

const Skip* skipFor(const ShownCommand& command) {
  std::vector<std::string> shown = words(docstest::withoutComment(command.text));
  for (const Skip& skip : kSkipped) {
    std::vector<std::string> wanted = words(skip.words);
    if (std::search(shown.begin(), shown.end(), wanted.begin(), wanted.end()) != shown.end()) return &skip;
  }
  return nullptr;
}

// Puts the examples and the files the commands name into the folder, and
// "build" there names the real build folder (for "cmake --install build").
void fillScratch(const TempDir& dir) {
  ToolRun made = runProgram("/bin/bash", {(kSource / "tests/docs/scratch_files.sh").string(), kSource.string()}, {},
                            dir.path());
  fs::create_directory_symlink(fs::path(ZAMO_BIN_DIR).parent_path(), dir.file("build"));
  ASSERT_EQ(made.status, 0) << "scratch_files.sh: " << made.err;
}

// Runs a command as typed, through the shell, with the built tools first on
// the PATH, and the scratch folder as HOME, so that "~/.local" stays inside
// it. The receiving tools run on the fake MIDI system (on virtual time) with
// the ports the documents name, and an identity reply arrives as they record.
ToolRun runShown(const std::string& text, const fs::path& where) {
  return runProgram("/bin/bash",
                    {"-o", "pipefail", "-c",
                     "export ZAMO_MIDI_API=fake ZAMO_FAKE_MIDI_OUTPUTS=synth:in ZAMO_FAKE_MIDI_INPUTS=synth:out "
                     "ZAMO_FAKE_MIDI_ARRIVALS='1 F0 7E 10 06 02 41 19 01 00 00 00 01 00 00 F7'\n"
                     "PATH='" ZAMO_BIN_DIR "':\"$PATH\" HOME=\"$PWD\"\n" + text},
                    {}, where);
}

// The file a command sends its standard output to: "> name" at its end.
std::string redirectTarget(const std::string& command) {
  static const std::regex kTarget(R"(>\s*([^\s>|&;]+)\s*$)");
  std::smatch m;
  std::string text = docstest::withoutComment(command);
  return std::regex_search(text, m, kTarget) ? m[1].str() : "";
}

// Checks what the command's comment and redirection promise.
void checkResult(const ShownCommand& command, const ToolRun& run, const fs::path& where) {
  std::string comment = docstest::trailingComment(command.text);
  EXPECT_TRUE(docstest::givesStatedOutput(command.text, run.out)) << "the output the comment states, not:\n" << run.out;
  std::vector<std::string> files;
  if (comment.rfind("writes ", 0) == 0) {
    std::istringstream named(comment.substr(7));
    for (std::string f; named >> f;) files.push_back(f);
  }
  if (std::string target = redirectTarget(command.text); !target.empty()) files.push_back(target);
  for (const std::string& file : files) {
    std::error_code error;
    EXPECT_GT(fs::file_size(where / file, error), 0u) << file << " is missing or empty";
  }
}

TEST(ShownCommands, EveryShownCommandRunsAsTheDocumentSays) {
  int ran = 0;
  std::vector<std::string> skipped;
  for (const Document& doc : documents()) {
    SCOPED_TRACE(doc.name);
    for (const std::string& fault : doc.shown.faults) ADD_FAILURE() << fault;
    bool expectsNone = std::find_if(std::begin(kNoCommands), std::end(kNoCommands),
                                    [&](const char* n) { return doc.name == n; }) != std::end(kNoCommands);
    if (std::find(std::begin(kRunOnJack), std::end(kRunOnJack), doc.name) != std::end(kRunOnJack)) continue;
    if (expectsNone) {
      EXPECT_TRUE(doc.shown.commands.empty()) << "shows commands now: take it off the list of documents without any";
      continue;
    }
    // A document that shows nothing here has lost its examples, or they
    // are written in a form this reader does not see.
    EXPECT_GT(doc.shown.exampleBlocks, 0) << "no example block (```sh or .EX) found";
    EXPECT_FALSE(doc.shown.commands.empty()) << "no command found in its examples";
    TempDir scratch;
    fillScratch(scratch);
    for (const ShownCommand& command : doc.shown.commands) {
      std::string where = doc.name + ":" + std::to_string(command.line);
      if (const Skip* skip = skipFor(command)) {
        skipped.push_back(where + ": " + command.text + "   [" + skip->words + ": " + skip->reason + "]");
        continue;
      }
      SCOPED_TRACE(where + ": " + command.text);
      ToolRun run = runShown(command.text, scratch.path());
      ++ran;
      EXPECT_EQ(run.status, 0) << run.err;
      if (run.status == 0) checkResult(command, run, scratch.path());
    }
  }
  std::cout << "ran " << ran << " shown commands; skipped " << skipped.size() << ":\n";
  for (const std::string& s : skipped) std::cout << "  skipped " << s << "\n";
  RecordProperty("ran", ran);
  RecordProperty("skipped", static_cast<int>(skipped.size()));
  EXPECT_GE(ran, 20) << "far fewer commands than the documents show";
}

// SysEx records in an OSTRA sequence or DORNA stream, up to its end record.
int sysexRecords(const std::string& bytes) {
  int count = 0;
  for (std::size_t at = 0; at + 1 < bytes.size();) {
    auto status = static_cast<std::uint8_t>(bytes[at + 1]);
    at += 2;
    if (status == seq::kStatusEnd) break;
    if (seq::isSysExStatus(status)) {
      if (at + 4 > bytes.size()) break;
      std::uint32_t length = 0;
      for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
      at += 4 + length;
      ++count;
    } else {
      at += 2;  // channel messages, tempo, filler: two bytes each
    }
  }
  return count;
}

// A shown route from a source that carries SysEx must keep every message:
// each stage that drops SysEx without -X needs it.
TEST(ShownCommands, SysExRoutesKeepTheirMessages) {
  struct Route {
    const char* document;
    const char* shows;  // a piece of the command's text that finds it
    int messages;       // SysEx messages in the source
  };
  const Route routes[] = {
      {"docs/man/zembra.1", "examples/gs_setup.mml | fendix", 8},
      {"README.md", "examples/gs_setup.mml | fendix", 8},
      {"docs/man/fendix.1", "song.mid | fendix", 2},
      {"docs/man/zutane.1", "zutane -X song.mid >", 2},
  };
  std::vector<Document> docs = documents();
  for (const Route& route : routes) {
    SCOPED_TRACE(std::string(route.document) + ": " + route.shows);
    auto doc = std::find_if(docs.begin(), docs.end(), [&](const Document& d) { return d.name == route.document; });
    ASSERT_NE(doc, docs.end());
    auto command = std::find_if(doc->shown.commands.begin(), doc->shown.commands.end(),
                                [&](const ShownCommand& c) { return c.text.find(route.shows) != std::string::npos; });
    ASSERT_NE(command, doc->shown.commands.end()) << "the document no longer shows this route";
    std::string target = redirectTarget(command->text);
    ASSERT_FALSE(target.empty()) << "the route writes no file";
    TempDir scratch;
    fillScratch(scratch);
    ToolRun run = runShown(command->text, scratch.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(sysexRecords(readFile(scratch.file(target))), route.messages);
  }
}

}  // namespace
