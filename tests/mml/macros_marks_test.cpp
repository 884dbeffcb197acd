// Macros (definition, calls, rechannelling, counts, nesting) and marks
// (named across tracks, the unnamed mark), and the measure check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::events;
using mmltest::messages;
using mmltest::notes;
using Lines = std::vector<std::string>;

namespace {

// The note-ons as "time:status note".
Lines noteOns(const std::string& source) {
  Lines ons;
  for (const std::string& line : messages(source)) {
    std::string message = line.substr(line.find(':') + 1);  // "90 3C 40"
    if (message.size() == 8 && message[0] == '9' && message.substr(6) != "00") {
      ons.push_back(line.substr(0, line.size() - 3));
    }
  }
  return ons;
}

TEST(MmlMacros, CopiesOnTheCallersChannelOrTheirOwn) {
  EXPECT_EQ(noteOns("@m={c d} $1={@m; @#m; @m,2;}"), (Lines{"0:91 3C", "480:91 3E", "960:90 3C", "1440:90 3E",
                                                            "1920:91 3C", "2400:91 3E", "2880:91 3C", "3360:91 3E"}));
  EXPECT_EQ(events("@m={c d} $1={@m; @#m; @m,2;}").back(), "3840:end");
  EXPECT_EQ(noteOns("@m={h2 c} $5={@#m; @m;}"), (Lines{"0:92 3C", "480:95 3C"}));
  // Only channel messages change channel; SysEx and tempo stay as they are.
  EXPECT_EQ(messages("@m={m90 =41; t} $3={@m;}"), (Lines{"0:tempo 90", "0:F0 41 F7", "0:D3 00 00"}));
}

TEST(MmlMacros, BodiesAreWrittenOnlyThroughTheirCopies) {
  EXPECT_EQ(events("@m={c d}"), Lines{});
  EXPECT_EQ(mmltest::ostraOf("@m={c1}"), std::string("\x00\xFF\x00\x00", 4));
  // The copy's end marker makes the music as long as the macro.
  EXPECT_EQ(events("@m={r1} $0={@m;}").back(), "1920:end");
}

TEST(MmlMacros, CountsBlanksAndTheSemicolon) {
  EXPECT_EQ(events("@m={c} $0={@m,0; d}"), (Lines{"0:90 3E 40", "384:90 3E 00", "480:end"}));
  EXPECT_EQ(noteOns("@m={c} $0={@m,_(-2); d}"), (Lines{"0:90 3E"}));
  EXPECT_EQ(noteOns("@m={c} $0={@ m , 3;}").size(), 3u);
  EXPECT_EQ(noteOns("@m={c} $0={@m ;}").size(), 1u);
  EXPECT_EQ(errorOf("@m={c} $0={@m,2 ;}"), "<;>がない。");
  EXPECT_EQ(errorOf("@m={c} $0={@m}"), "<;>がない。");
}

TEST(MmlMacros, TheCopyKeepsTheBodysTimesAndOffsets) {
  // The caller's offset is not added: the body carries its own.
  EXPECT_EQ(noteOns("@m={j10 c} $0={j100 r @m;}"), (Lines{"490:90 3C"}));
  // A pending tie is not ended by a call.
  EXPECT_EQ(notes("@m={r} $0={c4& @m; c4}"), (Lines{"on 0 60 64", "off 1152 60"}));
}

TEST(MmlMacros, MacrosCallEarlierMacros) {
  EXPECT_EQ(noteOns("@a={c} @b={@a; d} $0={@b,2;}"), (Lines{"0:90 3C", "480:90 3E", "960:90 3C", "1440:90 3E"}));
  // Inside a body the copy takes the body's channel; "@#" then keeps it.
  EXPECT_EQ(noteOns("@a={c} @b={h3 @a;} $0={@#b; @b;}"), (Lines{"0:93 3C", "480:90 3C"}));
  // Copies grow fast; the event limit stops them in order.
  mml::CompileSettings small;
  small.maxEvents = 1000;
  EXPECT_EQ(mmltest::compile("@a={c} @b={@a,100;} @c={@b,100;}", false, small).failure.message,
            "イベントが多すぎます。");
}

TEST(MmlMacros, NamesAndDefinitionErrors) {
  EXPECT_EQ(noteOns("@メロ1_x={c} $0={@メロ1_x;}"), (Lines{"0:90 3C"}));
  EXPECT_EQ(noteOns("@_a = { c } $0={@_a;}"), (Lines{"0:90 3C"}));
  EXPECT_EQ(errorOf("@m={@m;}"), "指定のマクロ名は存在しない");         // not yet defined in its own body
  EXPECT_EQ(errorOf("@M={c} $0={@m;}"), "指定のマクロ名は存在しない");  // case-sensitive
  EXPECT_EQ(errorOf("$0={@m;} @m={c}"), "指定のマクロ名は存在しない");
  EXPECT_EQ(errorOf("@m={c} @m={d}"), "マクロ名は登録済");
  EXPECT_EQ(errorOf("@1={c}"), "不正なマクロ名。");
  EXPECT_EQ(errorOf("$0={@;}"), "不正なマクロ名。");
  EXPECT_EQ(errorOf("@m {c}"), "<=>がない。");
  EXPECT_EQ(errorOf("@m=c"), "<{>がない。");
  EXPECT_EQ(errorOf("@m={c"), "<}>がない。");
}

TEST(MmlMarks, NamedMarksServeEveryLaterBlock) {
  EXPECT_EQ(noteOns("$0={^#a; c1} $1={*#a; d}"), (Lines{"0:90 3C", "0:91 3E"}));
  EXPECT_EQ(noteOns("$0={c1 ^#a;} $1={*#a; d}"), (Lines{"0:90 3C", "1920:91 3E"}));
  EXPECT_EQ(noteOns("$0={j100 r ^# a ; *0 *# a ; c}"), (Lines{"580:90 3C"}));  // the mark has no offset
  EXPECT_EQ(errorOf("$0={^ #a;}"), "<}>がない。");                             // "#" must touch "^"
  EXPECT_EQ(noteOns("@m={r ^#x;} $0={*#x; c}"), (Lines{"480:90 3C"}));         // set while the body compiled
  EXPECT_EQ(noteOns("$0={(r2 ^#half;) *#half; c}"), (Lines{"960:90 3C"}));
  EXPECT_EQ(errorOf("$1={*#a;} $0={^#a;}"), "指定のマークは存在しない");
  EXPECT_EQ(errorOf("$0={^#a; ^#a;}"), "マーク名は登録済");
  EXPECT_EQ(errorOf("$0={^#a;} $1={^#a;}"), "マーク名は登録済");
  EXPECT_EQ(errorOf("$0={^#a}"), "<;>がない。");
  EXPECT_EQ(errorOf("$0={^#a; *#a}"), "<;>がない。");
  EXPECT_EQ(errorOf("$0={^#;}"), "不正なマクロ名。");
}

TEST(MmlMarks, TheUnnamedMarkBelongsToItsVoice) {
  EXPECT_EQ(noteOns("$0={c4 ^ d4 e4 * f}"), (Lines{"0:90 3C", "480:90 3E", "480:90 41", "960:90 40"}));
  EXPECT_EQ(noteOns("$0={r ^ (r * c) r * d}"), (Lines{"480:90 3C", "480:90 3E"}));
}

TEST(MmlMeasureCheck, ShowsHowFullTheMeasureIsAndNeverMovesIt) {
  const char* source = "$0={c4 c4 c4 ? | c ? |480 ?}";
  EXPECT_EQ(mmltest::listingOf(source), "$0={c4 c4 c4 ?/*== 1440 ==*/ | c ?/*== 480 ==*/ |480 ?/*== 0 ==*/}\n");
  // The same music with and without a listing.
  mmltest::Compiled listed = mmltest::compile(source, true);
  EXPECT_EQ(mmltest::show(listed.events), mmltest::show(mmltest::compile(source).events));
  EXPECT_EQ(noteOns(source), (Lines{"0:90 3C", "480:90 3C", "960:90 3C", "1920:90 3C"}));
  EXPECT_EQ(events(source).back(), "2400:end");
}

}  // namespace
