// Every compile error: its message, the listing it leaves, and where the
// diagnostic points.
#include <gtest/gtest.h>

#include <string>

#include "mml_test_support.h"

namespace {

struct ErrorCase {
  const char* source;
  const char* message;
  const char* listing;  // the listing before "←"
  std::size_t line;
  std::size_t column;
};

const ErrorCase kErrors[] = {
    {"$16={}", "値が不正です。", "$16=", 1, 2},
    {"$0={l0}", "値が不正です。", "$0={l0}", 1, 6},
    {"$0={c0}", "値が不正です。", "$0={c0}", 1, 6},
    {"$0={W~0}", "値が不正です。", "$0={W~0}", 1, 6},
    {"$0={[c0]}", "値が不正です。", "$0={[c0]", 1, 7},
    {"$0={W2147483648 r}", "数値が大きすぎます。", "$0={W2147483648 ", 1, 6},
    {"$0={W$100000000}", "数値が大きすぎます。", "$0={W$100000000}", 1, 6},
    {"x", "不正なトラック指定", "x", 1, 1},
    {"$0={} /x", "不正なトラック指定", "$0={} /x", 1, 7},
    {"$0 {}", "<=>がない。", "$0 {", 1, 4},
    {"$0=c", "<{>がない。", "$0=c", 1, 4},
    {"$0={c ;", "<}>がない。", "$0={c ;", 1, 7},
    {"$0={O-x}", "数字がない", "$0={O-x", 1, 7},
    {"$0={V$}", "16進数がない", "$0={V$}", 1, 7},
    {"$0={W`x3}", "音名がない", "$0={W`x", 1, 7},
    {"$0={[c / e]}", "コメントが正しくない", "$0={[c / ", 1, 8},
    {"$0={[c r]}", "<]>がない。", "$0={[c r", 1, 8},
    {"$0={c\n  d ;\n}", "<}>がない。", "$0={c\n  d ;", 2, 5},
    // A block still open at the end of the text is reported at its opener.
    {"$0={c", "<}>がない。", "$0={c\n", 1, 4},
    {"$0={c}\n\n$1={d", "<}>がない。", "$0={c}\n\n$1={d\n", 3, 4},
    {"$0={(c\n", "<)>がない。", "$0={(c\n", 1, 5},
    {"$0={[4 c\n", "<]>がない。", "$0={[4 c\n", 1, 5},
    {"@m={c\n", "<}>がない。", "@m={c\n", 1, 4},
    // Time, channel messages and SysEx.
    {"$0={h16}", "値が不正です。", "$0={h16}", 1, 6},
    {"$0={h_(-1)}", "値が不正です。", "$0={h_(-1)", 1, 6},
    {"$0={m0}", "値が不正です。", "$0={m0}", 1, 6},
    {"$0={m656}", "値が不正です。", "$0={m656}", 1, 6},
    {"$0={k128,1}", "値が不正です。", "$0={k128,", 1, 6},
    {"$0={/-1,2}", "値が不正です。", "$0={/-1,", 1, 6},
    {"$0={|0}", "値が不正です。", "$0={|0}", 1, 6},
    {"$0={k60 1}", "<,>がない。", "$0={k60 1", 1, 9},
    {"$0={p#1,2 3}", "<,>がない。", "$0={p#1,2 3", 1, 11},
    {"$0={(c}", "<)>がない。", "$0={(c}", 1, 7},
    {"$0={^#a; *#a}", "<;>がない。", "$0={^#a; *#a}", 1, 13},
    {"$0={=41 ;}", "16進数がない", "$0={=41 ;", 1, 9},
    {"$0={=41", "16進数がない", "$0={=41\n", 1, 8},
    {"$0={=(1);}", "KELEXPR式の誤り", "$0={=(", 1, 7},
    // Marks, macros and expressions.
    {"$0={w_\"x\"}", "KELEXPR式の誤り", "$0={w_", 1, 7},
    {"$0={^#a; ^#a;}", "マーク名は登録済", "$0={^#a; ^#a;", 1, 12},
    {"$0={*#b;}", "指定のマークは存在しない", "$0={*#b;", 1, 7},
    {"@1={}", "不正なマクロ名。", "@1", 1, 2},
    {"$0={^#2;}", "不正なマクロ名。", "$0={^#2", 1, 7},
    {"$0={@m;}", "指定のマクロ名は存在しない", "$0={@m;", 1, 6},
    {"@m={} @m={}", "マクロ名は登録済", "@m={} @m=", 1, 8},
    {"@m={} $0={@m,2 ;}", "<;>がない。", "@m={} $0={@m,2 ", 1, 15},
    {"$0={@(1)}", "式がエラー", "$0={@(", 1, 7},
    {"$0={@[\"c\"}", "式がエラー", "$0={@[", 1, 10},  // where the evaluator found the fault
    {"$0={@(\"c }\")}", "式展開の誤り", "$0={@(\"c }\")\n/*=== macro start ===\nc }", 1, 5},
    {"$0={\n @[\"\\n  c0\"]}", "値が不正です。", "$0={\n @[\"\\n  c0\"]\n/*=== macro start ===\n\n  c0", 2, 2},
};

TEST(MmlErrors, MessageListingAndPlace) {
  for (const ErrorCase& e : kErrors) {
    SCOPED_TRACE(e.source);
    mmltest::Compiled c = mmltest::compile(e.source, true);
    ASSERT_FALSE(c.ok);
    EXPECT_EQ(c.failure.message, e.message);
    EXPECT_EQ(c.listing, std::string(e.listing) + "←" + e.message + "\n");
    mml::SourceLocation where = c.source.locate(c.failure.position);
    EXPECT_EQ(where.name, "song.mml");
    EXPECT_EQ(where.line, e.line);
    EXPECT_EQ(where.column, e.column);
  }
}

TEST(MmlErrors, NothingIsRecordedPastTheEventLimit) {
  mml::CompileSettings settings;
  settings.maxEvents = 3;
  mmltest::Compiled c = mmltest::compile("$0={c c}", false, settings);
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.failure.message, "イベントが多すぎます。");
  EXPECT_EQ(c.store.trackList.size(), 3u);
  EXPECT_TRUE(mmltest::compile("$0={c}", false, settings).ok);
}

TEST(MmlErrors, SysexDataStopsAtItsLimit) {
  mml::CompileSettings settings;
  settings.maxSysexBytes = 14;  // the first message: its count and 5 bytes; then the second's count and 1 byte
  EXPECT_TRUE(mmltest::compile("$0={=01 02 03 04;}", false, settings).ok);
  mmltest::Compiled c = mmltest::compile("$0={=01 02 03 04; =05 06 07 08;}", false, settings);
  EXPECT_EQ(c.failure.message, "SysExデータが多すぎます。");
  EXPECT_EQ(c.store.eventHeap.size(), 14u);
  EXPECT_EQ(mmltest::compile("$0={=(x\"00\" * 11);}", false, settings).failure.message, "SysExデータが多すぎます。");
  EXPECT_TRUE(mmltest::compile("$0={=(x\"00\" * 9);}", false, settings).ok);
  EXPECT_EQ(mmltest::compile("$0={=01 02 03 04 05 06 07 08; =01;}", false, settings).failure.message,
            "SysExデータが多すぎます。");
}

// Inputs are compiled as one text, so a block left open in one input reads
// on into the next. An error there names the open block; an error in the
// block's own input does not.
TEST(MmlErrors, ABlockLeftOpenByAnEarlierInputIsNamed) {
  struct Case {
    const char* first;
    const char* second;
    const char* message;
    bool named;
  };
  const Case kCases[] = {
      {"$0={c\n", "$1={d}\n", "16進数がない", true},
      {"@m={c\n", "$1={d}\n", "16進数がない", true},
      {"$0={c ;\n", "$1={d}\n", "<}>がない。", false},
      {"$0={c4\n", "$1={d}\n", "<}>がない。", false},  // placed at the "{" itself
      {"$0={c}\n", "$1={d\n", "<}>がない。", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.first) + c.second);
    mml::SourceText source;
    for (const char* text : {c.first, c.second}) {
      source.beginInput(text == c.first ? "a.mml" : "b.mml");
      source.appendBytes(text);
      source.endInput();
    }
    mml::Compiler compiler(source, {}, nullptr);
    ASSERT_FALSE(compiler.compileSource());
    EXPECT_EQ(compiler.failure().message, c.message);
    EXPECT_EQ(compiler.failure().openBlock.has_value(), c.named);
    if (c.named) {
      EXPECT_EQ(*compiler.failure().openBlock, 3u);
    }
  }
}

}  // namespace
