// The joined source: how inputs are joined, and the map back to each input
// that the diagnostics use.
#include <gtest/gtest.h>

#include <string>

#include "mml/diagnostic.h"
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
  EXPECT_EQ(mml::formatDiagnostic(source, failure), "song.mml:2:9: <}>がない。\n$1={c d ;}\n        ^\n");
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
            "song.mml:1:5: 式展開の誤り (why)\n$0={@(t)}\n    ^\nexpanded: \te ]\n          \t  ^\n");
  // The end of the text is shown at the end of its last line.
  failure.detail.clear();
  failure.expandedPosition = failure.expandedText.size();
  EXPECT_EQ(mml::formatDiagnostic(source, failure),
            "song.mml:1:5: 式展開の誤り\n$0={@(t)}\n    ^\nexpanded: \te ]\n          \t   ^\n");
}

}  // namespace
