// The joined source: how inputs are joined, and the map back to each input
// that the diagnostics use.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "mml/diagnostic.h"
#include "mml/source_input.h"
#include "mml/source_text.h"
#include "mml/terminal_text.h"

namespace {

void addFile(mml::SourceText& source, const std::string& name, std::string_view text) {
  source.beginInput(name);
  source.appendBytes(text);
  source.endInput();
}

TEST(MmlSourceText, InputsAreJoinedLineByLine) {
  mml::SourceText source;
  addFile(source, "a.mml", "$0={c}\n$1={d}");
  source.appendInline("$2=\x01{e\t}\r");
  addFile(source, "empty.mml", "");
  addFile(source, "nul.mml", std::string_view("$3={f}\0 ignored\nx", 17));
  addFile(source, "bom.mml", "\xEF\xBB\xBF$4={g}\n\xEF\xBB\xBF");
  EXPECT_EQ(source.text(), std::string_view("$0={c}\n$1={d}\n$2={e\t}\n$3={f}\nx\n$4={g}\n\xEF\xBB\xBF\n"));
  ASSERT_EQ(source.segments().size(), 5u);
  EXPECT_EQ(source.segments()[1].name, "<arg>");
  EXPECT_EQ(source.segments()[2].begin, source.segments()[2].end);
}

// However an input arrives in pieces (a pipe may deliver one byte at a
// time), its text is the same: line ends, zero bytes and the byte order
// mark are recognised across the pieces.
TEST(MmlSourceText, AnInputReadInPiecesGivesTheSameText) {
  struct Case {
    std::string_view bytes;
    std::string_view text;
  };
  const Case kCases[] = {
      {"$0={c}\r\n$1={d}\r\n", "$0={c}\n$1={d}\n"},
      {"a\rb\r", "a\rb\r\n"},  // a carriage return alone stays
      {std::string_view("ab\0c\r\nd\0", 9), "ab\nd\n"},
      {std::string_view("ab\r\0\n", 5), "ab\r\n"},
      {"\xEF\xBB\xBF$0={c}\n\xEF\xBB\xBF", "$0={c}\n\xEF\xBB\xBF\n"},
      {"\xEF\xBB\xBF", "\n"},
      {"\xEF\xBB\r\n", "\xEF\xBB\n"},
      {"", ""},
      {"\n\n", "\n\n"},
  };
  for (const Case& c : kCases) {
    for (std::size_t piece = 1; piece <= c.bytes.size() + 1; ++piece) {
      SCOPED_TRACE(std::string(c.bytes) + " in pieces of " + std::to_string(piece));
      mml::SourceText source;
      source.beginInput("song.mml");
      for (std::size_t at = 0; at < c.bytes.size(); at += piece) {
        std::string_view part = c.bytes.substr(at, piece);
        EXPECT_EQ(source.appendBytes(part), part.size());
      }
      EXPECT_TRUE(source.endInput());
      EXPECT_EQ(source.text(), c.text);
    }
  }
}

// Reads `bytes` in pieces into a source that holds at most 16 bytes; the
// offset of the first byte that did not fit (the input's end when only its
// final line feed did not), or none.
std::optional<std::size_t> readIntoSixteenBytes(mml::SourceText& source, std::string_view bytes, std::size_t piece) {
  source.beginInput("song.mml");
  for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
    std::string_view part = bytes.substr(offset, piece);
    std::size_t taken = source.appendBytes(part);
    if (taken < part.size()) return offset + taken;
  }
  if (!source.endInput()) return bytes.size();
  return std::nullopt;
}

// The limit holds while an input is read: a long line never sits in memory
// whole, and the first byte that did not fit is named.
TEST(MmlSourceText, TheLimitIsCheckedWhileReading) {
  struct Case {
    std::string_view bytes;
    std::size_t piece;
    std::optional<std::size_t> firstByteLeftOut;
  };
  const Case kCases[] = {
      {"/* a very long line of forty bytes */ x", 7, 16},
      {"/* a very long line of forty bytes */ x", 1, 16},
      {"c\nc\nc\nc\nc\nc\nc\nc\nc\nc\n", 4, 16},
      {"0123456789abcdef\nx", 20, 16},  // the line feed is what does not fit
      {"0123456789abcdef", 16, 16},     // the text fits; the line feed added behind it does not
      {"0123456789abcde", 16, std::nullopt},
      {"0123456789abcde\r\n", 3, std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.bytes) + " in pieces of " + std::to_string(c.piece));
    mml::SourceText source(16);
    EXPECT_EQ(readIntoSixteenBytes(source, c.bytes, c.piece), c.firstByteLeftOut);
    EXPECT_LE(source.size(), 16u);
  }
  // Memory grows no further than the limit, whatever the length of a line.
  for (std::size_t piece : {7u, 64u, 5000u}) {
    mml::SourceText source(1000);
    source.beginInput("long.mml");
    std::string line(5000, 'a');
    std::size_t offset = 0;
    while (offset < line.size()) {
      std::size_t taken = source.appendBytes(std::string_view(line).substr(offset, piece));
      offset += taken;
      if (taken < piece) break;
    }
    EXPECT_EQ(offset, 1000u);
    EXPECT_LE(source.capacity(), 1000u);
  }
  mml::SourceText source(8);
  EXPECT_TRUE(source.appendInline("$0={c}"));
  EXPECT_FALSE(source.appendInline("$1={d}"));
  EXPECT_EQ(source.text(), "$0={c}\n");
}

TEST(MmlSourceInput, AnInputThatPassesTheLimitIsNamedWithTheFirstByteLeftOut) {
  std::filesystem::path file = std::filesystem::temp_directory_path() / ("zamo-limit-" + std::to_string(::getpid()));
  {
    std::ofstream out(file, std::ios::binary);
    out << "$0={c}\n/* a long comment */\n";
  }
  mml::SourceText source(24);
  EXPECT_TRUE(mml::appendInput(source, ":$1={d}"));  // 7 bytes
  vorn::Status tooLarge = mml::appendInput(source, file.c_str());
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.fault().input, file.string());
  EXPECT_EQ(tooLarge.fault().offset, 17u);  // the argument's 7 bytes and 17 of the file fit
  tooLarge = mml::appendInput(source, ":$2={e f g}");
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.fault().input, "<arg>");
  EXPECT_EQ(tooLarge.fault().offset, std::nullopt);
  std::filesystem::remove(file);
}

TEST(MmlSourceText, EachInputKeepsItsOwnEncoding) {
  mml::SourceText source;
  addFile(source, "utf8.mml", "/* ド */");
  addFile(source, "sjis.mml", "/* \x83\x68 */");
  source.appendInline("/* \x83\x68 */");
  EXPECT_EQ(source.segments()[0].encoding, vorn::TextEncoding::Utf8);
  EXPECT_EQ(source.segments()[1].encoding, vorn::TextEncoding::ShiftJis);
  EXPECT_EQ(source.segments()[2].encoding, vorn::TextEncoding::ShiftJis);
  EXPECT_EQ(source.encodingAt(source.segments()[1].begin + 3), vorn::TextEncoding::ShiftJis);
}

TEST(MmlSourceText, LocatesLineAndColumnInTheRightInput) {
  mml::SourceText source;
  addFile(source, "a.mml", "$0={c}\n$1={d}");
  source.appendInline("$2={e}");
  addFile(source, "b.mml", "// one\n  $3={f ;");
  std::size_t semicolon = source.text().find(';');
  mml::SourceLocation where = source.locate(semicolon);
  EXPECT_EQ(where.name, "b.mml");
  EXPECT_EQ(where.line, 2u);
  EXPECT_EQ(where.column, 9u);
  EXPECT_EQ(where.lineText, "  $3={f ;");
  where = source.locate(source.text().find("$2"));
  EXPECT_EQ(where.name, "<arg>");
  EXPECT_EQ(where.line, 1u);
  EXPECT_EQ(where.column, 1u);
  // The end of the text is the end of the last line.
  where = source.locate(source.size());
  EXPECT_EQ(where.name, "b.mml");
  EXPECT_EQ(where.line, 2u);
  EXPECT_EQ(where.column, 10u);
}

TEST(MmlSourceText, ColumnsCountCharactersAndTheCaretFollowsTabsAndWideCharacters) {
  mml::SourceText source;
  addFile(source, "u.mml", "\t/*ドa*/ x");
  addFile(source, "s.mml", "/*\x83\x68\xB1*/ y");  // a double-byte and a half-width katakana
  mml::SourceLocation where = source.locate(source.text().find('x'));
  EXPECT_EQ(where.column, 9u);
  EXPECT_EQ(mml::terminalLine(where.lineText, where.lineOffset, where.encoding).caretIndent, "\t  " "  " "    ");
  where = source.locate(source.text().find('y'));
  EXPECT_EQ(where.column, 8u);
  EXPECT_EQ(mml::terminalLine(where.lineText, where.lineOffset, where.encoding).caretIndent, "  " "  " "    ");
}

TEST(MmlDiagnostic, NamesFileLineAndColumnThenShowsTheLineAndACaret) {
  mml::SourceText source;
  addFile(source, "song.mml", "$0={c}\n$1={c d ;}");
  mml::CompileFailure failure;
  failure.message = "<}>がない。";
  failure.position = source.text().find(';');
  EXPECT_EQ(mml::formatDiagnostic(source, failure), "song.mml:2:9: <}>がない。 (missing \"}\")\n$1={c d ;}\n        ^\n");
}

TEST(MmlDiagnostic, ShowsABlockAnEarlierInputLeftOpen) {
  mml::SourceText source;
  addFile(source, "a.mml", "$0={c\n");
  addFile(source, "b.mml", "$1={d}\n");
  mml::CompileFailure failure;
  failure.message = "16進数がない";
  failure.position = source.text().rfind('{');
  failure.openBlock = source.text().find('{');
  EXPECT_EQ(mml::formatDiagnostic(source, failure),
            "b.mml:1:4: 16進数がない (hexadecimal number expected)\n$1={d}\n   ^\na.mml:1:4: the block opened here is not closed\n$0={c\n   ^\n");
}

TEST(MmlDiagnostic, AddsTheEvaluatorsReasonAndTheLineOfAnExpandedText) {
  mml::SourceText source;
  addFile(source, "song.mml", "$0={@(t)}");
  mml::CompileFailure failure;
  failure.message = "式展開の誤り";
  failure.position = 4;
  failure.detail = "why";
  failure.expandedText = "c d\n\te ]\n";
  failure.expandedPosition = failure.expandedText.find(']');
  EXPECT_EQ(mml::formatDiagnostic(source, failure),
            "song.mml:1:5: 式展開の誤り (malformed expansion) (why)\n$0={@(t)}\n    ^\nexpanded: \te ]\n          \t  ^\n");
  // The end of the text is shown at the end of its last line.
  failure.detail.clear();
  failure.expandedPosition = failure.expandedText.size();
  EXPECT_EQ(mml::formatDiagnostic(source, failure),
            "song.mml:1:5: 式展開の誤り (malformed expansion)\n$0={@(t)}\n    ^\nexpanded: \te ]\n          \t   ^\n");
}

}  // namespace
