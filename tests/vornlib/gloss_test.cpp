// English meanings beside the Japanese messages on standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "vornlib/gloss.h"

TEST(Gloss, MeaningGoesRightBehindTheFirstJapaneseMessage) {
  struct Case {
    std::string message;
    std::string shown;
  } cases[] = {
      {"song.mml:3:7: <}>がない。", "song.mml:3:7: <}>がない。 (missing \"}\")"},
      {"a.mml:1:1: <)>がない。", "a.mml:1:1: <)>がない。 (missing \")\")"},
      {"<arg>:2:4: 値が不正です。", "<arg>:2:4: 値が不正です。 (value out of range)"},
      {"KELEXPR式の誤り (unknown name \"x\")", "KELEXPR式の誤り (error in expression) (unknown name \"x\")"},
      {"16進数がない", "16進数がない (hexadecimal number expected)"},
      {"メモリーが足りない (x.mid)", "メモリーが足りない (out of memory) (x.mid)"},
      // Glossed once already, plain English, or Japanese we do not know: unchanged.
      {"値が不正です。 (value out of range)", "値が不正です。 (value out of range)"},
      {"x.syx: malformed input", "x.syx: malformed input"},
      {"曲.mml: No such file", "曲.mml: No such file"},
  };
  for (const Case& c : cases) EXPECT_EQ(vorn::withGloss(c.message), c.shown);
}

TEST(Gloss, EveryTextHasOneMeaningAndIsFoundByItself) {
  std::set<std::string_view> seen;
  for (const vorn::Gloss& gloss : vorn::glossTable()) {
    EXPECT_TRUE(seen.insert(gloss.japanese).second) << gloss.japanese;
    EXPECT_FALSE(gloss.english.empty());
    EXPECT_EQ(vorn::englishGloss(gloss.japanese), gloss.english);
    EXPECT_EQ(vorn::withGloss(gloss.japanese), std::string(gloss.japanese) + " (" + std::string(gloss.english) + ")");
  }
  EXPECT_EQ(vorn::englishGloss("<]>がない。"), "missing \"]\"");
  EXPECT_EQ(vorn::englishGloss("no such text"), "");
}

// The user's list of messages names every one of them with its meaning.
TEST(Gloss, TheDocsListEveryMessageWithItsMeaning) {
  std::ifstream in(std::string(ZAMO_SOURCE_DIR) + "/docs/messages.md");
  std::stringstream text;
  text << in.rdbuf();
  for (const vorn::Gloss& gloss : vorn::glossTable()) {
    std::string row = "| `" + std::string(gloss.japanese) + "` | " + std::string(gloss.english) + " |";
    EXPECT_NE(text.str().find(row), std::string::npos) << row;
  }
}
