// Compiles every example of docs/mml.md and checks what the document says
// it gives, so that the reference and the compiler cannot drift apart.
//
// An example is a block fenced as ```mml (the source, as a file named
// song.mml), optionally with options after the fence: "-Dn" (bank delay),
// "-X" (expansions out of the listing). The blocks that follow it check it:
//   ```events    one event a line: "tick bytes" (the MIDI message: status
//                and data bytes, one data byte for program change and
//                channel pressure; F0 and the data of a SysEx message),
//                "tick raw bytes" (bytes sent as they are), "tick tempo
//                bpm", and last "tick end" where the music ends; "//"
//                starts a comment
//   ```listing   the listing, exactly
//   ```error     the message of the compile error
//   ```stderr    what zembra writes on standard error for it
//   ```ostra     the OSTRA bytes in hex ("//" comments allowed)
//   ```dorna Tn  the DORNA bytes in hex at n milliseconds a step
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mml/diagnostic.h"
#include "mml/writers.h"
#include "mml_test_support.h"
#include "run_tool.h"
#include "vornlib/streams.h"

namespace {

struct Example {
  std::string source;
  std::string options;
  int line = 0;
  int checks = 0;
};

std::string trim(std::string text) {
  std::size_t comment = text.find("//");
  if (comment != std::string::npos) text.erase(comment);
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

mml::CompileSettings settingsFor(const std::string& options) {
  mml::CompileSettings settings;
  std::istringstream words(options);
  std::string word;
  while (words >> word) {
    if (word.rfind("-D", 0) == 0) settings.bankDelay = static_cast<std::uint32_t>(std::stoul(word.substr(2)));
    if (word == "-X") settings.listExpand = false;
  }
  return settings;
}

// The compiled events as the document writes them.
std::vector<std::string> documented(const mmltest::Compiled& c) {
  std::vector<std::string> lines;
  for (const mml::EventRecord& event : c.events) {
    if (event.status == mml::kStatusBlockEnd) continue;
    std::string line = std::to_string(event.time) + " ";
    char text[16];
    if (event.status == mml::kStatusTempo) {
      line += "tempo " + std::to_string(event.extra);
    } else if (event.isSysex()) {
      // "F0 41 F7" as it is sent; "raw ..." for bytes sent exactly as they are.
      std::string shown = mmltest::show(event, c.store);  // "time:F0 41 F7", "time:F7 F0 41"
      std::string bytes = shown.substr(shown.find(':') + 1);
      line += event.status == mml::kStatusSysexRaw ? "raw" + bytes.substr(2) : bytes;
    } else {
      std::snprintf(text, sizeof text, "%02X %02X", event.status, event.first);
      line += text;
      if ((event.status & 0xE0) != 0xC0) {  // program change and channel pressure have one data byte
        std::snprintf(text, sizeof text, " %02X", event.second);
        line += text;
      }
    }
    lines.push_back(line);
  }
  std::int32_t end = c.events.empty() ? 0 : c.events.back().time;
  lines.push_back(std::to_string(end) + " end");
  return lines;
}

std::string written(const mmltest::Compiled& c, bool dorna, double step) {
  vorn::ByteOutput& out = vorn::getouthandle();
  out.openMemory();
  if (dorna) {
    mml::writeDorna(c.events, c.store, step);
  } else {
    mml::writeOstra(c.events, c.store);
  }
  out.flush();
  std::string bytes = out.memoryBytes();
  out.close();
  return zamotest::hex(bytes);
}

void check(Example& example, const std::string& kind, const std::vector<std::string>& body) {
  ASSERT_FALSE(example.source.empty()) << "a " << kind << " block without an example before it";
  ++example.checks;
  mml::CompileSettings settings = settingsFor(example.options);
  mmltest::Compiled c = mmltest::compile(example.source, kind == "listing", settings);
  std::string failure = c.ok ? std::string() : c.failure.message;
  if (kind == "error") {
    ASSERT_EQ(body.size(), 1u);
    EXPECT_EQ(failure, body[0]);
    return;
  }
  if (kind == "stderr") {
    std::string expected, shown;
    for (const std::string& line : body) expected += line + "\n";
    for (const mml::CompileWarning& warning : c.warnings) shown += "zembra: " + mml::formatWarning(c.source, warning) + "\n";
    if (!c.ok) shown += "zembra: " + mml::formatDiagnostic(c.source, c.failure) + "KORMAVE: syntax error\n";
    EXPECT_EQ(shown, expected);
    return;
  }
  if (kind == "listing") {
    std::string expected;
    for (const std::string& line : body) expected += line + "\n";
    EXPECT_EQ(c.listing, expected);
    return;
  }
  ASSERT_TRUE(c.ok) << failure;
  if (kind == "events") {
    std::vector<std::string> expected;
    for (const std::string& line : body) {
      std::string event = trim(line);
      if (event.empty()) continue;
      std::istringstream words(event);
      std::string word, normal;
      while (words >> word) normal += (normal.empty() ? "" : " ") + word;
      expected.push_back(normal);
    }
    EXPECT_EQ(documented(c), expected);
    return;
  }
  std::string hex;
  for (const std::string& line : body) {
    std::string bytes = trim(line);
    if (!bytes.empty()) hex += (hex.empty() ? "" : " ") + bytes;
  }
  std::string normal;
  std::istringstream words(hex);
  std::string word;
  while (words >> word) normal += (normal.empty() ? "" : " ") + word;
  if (kind == "ostra") {
    EXPECT_EQ(written(c, false, 0), normal);
  } else {
    ASSERT_EQ(kind.rfind("dorna T", 0), 0u) << kind;
    EXPECT_EQ(written(c, true, std::stod(kind.substr(7))), normal);
  }
}

TEST(MmlDocs, EveryExampleGivesWhatTheReferenceSays) {
  std::ifstream in(std::string(ZAMO_SOURCE_DIR) + "/docs/mml.md");
  ASSERT_TRUE(in) << "cannot read docs/mml.md";
  const std::vector<std::string> kinds = {"events", "listing", "error", "stderr", "ostra"};
  std::string line, kind;
  std::vector<std::string> body;
  bool inBlock = false;
  int lineNumber = 0, examples = 0, checks = 0;
  Example example;
  auto finishExample = [&] {
    if (!example.source.empty()) {
      EXPECT_GT(example.checks, 0) << "docs/mml.md:" << example.line << ": an example nothing checks";
      checks += example.checks;
    }
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!inBlock) {
      if (line.rfind("```", 0) == 0 && line.size() > 3) {
        inBlock = true;
        kind = line.substr(3);
        body.clear();
      } else if (line.rfind("```", 0) == 0) {
        inBlock = true;
        kind.clear();
        body.clear();
      }
      continue;
    }
    if (line != "```") {
      body.push_back(line);
      continue;
    }
    inBlock = false;
    SCOPED_TRACE("docs/mml.md:" + std::to_string(lineNumber));
    if (kind.rfind("mml", 0) == 0) {
      finishExample();
      example = Example{};
      for (const std::string& source : body) example.source += source + "\n";
      example.options = kind.substr(3);
      example.line = lineNumber;
      ++examples;
    } else if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end() || kind.rfind("dorna", 0) == 0) {
      check(example, kind, body);
    }
  }
  finishExample();
  EXPECT_FALSE(inBlock) << "unclosed block";
  // The reference holds dozens of examples; finding few means the format
  // drifted away from what this test reads.
  EXPECT_GE(examples, 40);
  EXPECT_GE(checks, examples);
}

}  // namespace
