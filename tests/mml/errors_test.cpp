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
    // At the end of the text the error lies at the end of the last line.
    {"$0={c", "<}>がない。", "$0={c\n", 1, 6},
    {"$0={c}\n\n$1={d", "<}>がない。", "$0={c}\n\n$1={d\n", 3, 6},
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

}  // namespace
