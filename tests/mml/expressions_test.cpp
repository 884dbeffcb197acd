// Expressions in MML: "_" numbers and what they see of the voice, out() and
// the listing, and the "@(" / "@[" expansions with their nesting, listing
// markers, errors and limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::compile;
using mmltest::errorOf;
using mmltest::events;
using mmltest::listingOf;
using mmltest::notes;
using Lines = std::vector<std::string>;

namespace {

// The block ends at the value: "W<arg> r" rests for <arg> ticks after `before`.
std::string restAfter(const std::string& before, const std::string& argument) {
  return events("$0={" + before + " W" + argument + " r}").back();
}

TEST(MmlExpressions, UnderscoreNumbersAreOneOperand) {
  EXPECT_EQ(restAfter("", "_(3 * 100)"), "300:end");
  EXPECT_EQ(restAfter("", "_0x1E0"), "480:end");
  EXPECT_EQ(restAfter("", "_len(\"abcd\")"), "4:end");
  EXPECT_EQ(notes("$0={o_(-1) c}").front(), "on 0 12 64");
  // Only the operand belongs to the expression: the rest is MML again.
  EXPECT_EQ(notes("$0={w_(mlen / 8) c d e}").back(), "off 672 64");
  EXPECT_EQ(notes("$0={c_4. d}").at(2), "on 720 62 64");  // dots follow the length
  // Local variables last for the whole compilation.
  EXPECT_EQ(notes("$0={v_(loud = 100) c} $1={v_loud c}"),
            (Lines{"on 0 60 100", "on 0 60 100", "off 384 60", "off 384 60"}));
}

TEST(MmlExpressions, TheVoiceValuesAsVariablesAndPositionalParameters) {
  EXPECT_EQ(restAfter("h5", "_channel"), "5:end");
  EXPECT_EQ(restAfter("r", "_tick"), "960:end");
  EXPECT_EQ(restAfter("r", "_TiCk"), "960:end");  // any letter case
  EXPECT_EQ(restAfter("j-5", "_(offset + 10)"), "5:end");
  EXPECT_EQ(restAfter("r ^ r", "_mark"), "1440:end");
  EXPECT_EQ(restAfter("c |", "_mtop"), "3840:end");
  EXPECT_EQ(restAfter("", "_mlen"), "1920:end");
  EXPECT_EQ(restAfter("h5", "_int($1)"), "5:end");
  EXPECT_EQ(restAfter("r", "_int($2)"), "960:end");
  EXPECT_EQ(restAfter("j7", "_int($3)"), "7:end");
  EXPECT_EQ(restAfter("r ^", "_int($4)"), "960:end");
  EXPECT_EQ(restAfter("r |", "_int($5)"), "3840:end");
  EXPECT_EQ(restAfter("", "_int($6)"), "1920:end");
  EXPECT_EQ(errorOf("$0={w_$7}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w_$0}"), "KELEXPR式の誤り");
  // Host names cannot be assigned.
  EXPECT_EQ(errorOf("$0={w_(tick = 1)}"), "KELEXPR式の誤り");
  // At the top level there is no voice to see.
  EXPECT_EQ(events("$_(1+1)={t}"), (Lines{"0:D2 00 00", "0:end"}));
  EXPECT_EQ(errorOf("$_channel={}"), "KELEXPR式の誤り");
}

TEST(MmlExpressions, ANumberMustComeOut) {
  EXPECT_EQ(errorOf("$0={w_\"480\"}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w_nothing}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w_(1/0)}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w_}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w-_1}"), "<}>がない。");  // "-" starts no unsigned argument
  EXPECT_EQ(errorOf("$0={o-_1}"), "数字がない");
  mmltest::Compiled c = compile("$0={c\n w_(1 + nothing)}");
  EXPECT_EQ(c.failure.detail, "unknown name \"nothing\"");
  EXPECT_EQ(c.source.locate(c.failure.position).column, 9u);  // at the name
}

TEST(MmlExpressions, ListingShowsTheExpressionOnceAndWhatOutWrote) {
  EXPECT_EQ(listingOf("$0={w_(1 + 2) r}"), "$0={w_(1 + 2) r}\n");
  EXPECT_EQ(listingOf("$0={w_(out(\"[hi]\"); OUT(\"!\")) r}"), "$0={w_[hi]!(out(\"[hi]\"); OUT(\"!\")) r}\n");
  EXPECT_EQ(events("$0={w_(out(\"x\") + 9) r}").back(), "10:end");  // out gives 1
  EXPECT_EQ(errorOf("$0={w_out(1)}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={w_out(\"a\", \"b\")}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={=(out(\"a\"));}"), "KELEXPR式の誤り");  // SysEx expressions have no voice
}

TEST(MmlExpansions, SubBlockStartsFreshAtTheVoicesTime) {
  EXPECT_EQ(notes("$0={o5 l8 @(\"c d e\") f}"), (Lines{"on 0 60 64", "off 384 60", "on 480 62 64", "off 864 62",
                                                       "on 960 64 64", "off 1344 64", "on 1440 89 64", "off 1632 89"}));
  EXPECT_EQ(notes("$0={j100 r @(\"c\")}").front(), "on 480 60 64");  // without the voice's offset
  EXPECT_EQ(events("$0={@(\"\")}"), (Lines{"0:end", "0:end"}));
  EXPECT_EQ(notes("$0={r h2 @(\"c\")}").front(), "on 480 60 64");
  EXPECT_EQ(mmltest::messages("$0={h2 @(\"t\")}").front(), "0:D2 00 00");
}

TEST(MmlExpansions, InPlaceTextChangesTheVoiceItself) {
  EXPECT_EQ(notes("$0={@[\"o5 l8\"] c}"), (Lines{"on 0 84 64", "off 192 84"}));
  EXPECT_EQ(notes("$0={@[for(i, 0, 2, sub(\"ceg\", i, 1) + \"8 \")] c}"),
            (Lines{"on 0 60 64", "off 192 60", "on 240 64 64", "off 432 64", "on 480 67 64", "off 672 67",
                   "on 720 60 64", "off 912 60"}));
  // The produced text sees the voice as it is when the expression runs.
  EXPECT_EQ(notes("$0={r @[\"w\" + str(tick) + \" c\"]}"), (Lines{"on 480 60 64", "off 864 60"}));
}

TEST(MmlExpansions, ExpansionsNest) {
  EXPECT_EQ(notes("$0={@[\"@(\\\"c\\\") d\"] e}"),
            (Lines{"on 0 60 64", "off 384 60", "on 480 62 64", "off 864 62", "on 960 64 64", "off 1344 64"}));
  EXPECT_EQ(notes("$0={@[for(i, 1, 3, \"@[\\\"c8\\\"] \")] d}").size(), 8u);
  // The outer text is read on after the inner expansions are gone.
  EXPECT_EQ(notes("$0={@[\"@[\\\"@[\\\\\\\"c\\\\\\\"]\\\"] d @[\\\"e\\\"] f\"]}").size(), 8u);
  // A text that expands itself runs into the nesting limit.
  EXPECT_EQ(errorOf("$0={w_(s = \"@[s]\"; 1) @[s]}"), "ネストが深すぎます。");
}

TEST(MmlExpansions, ListingMarkersOrNothingWithX) {
  EXPECT_EQ(listingOf("$0={@[\"c \" + \"d\"] e}"),
            "$0={@[\"c \" + \"d\"]\n/*=== macro start ===\nc d\n=== macro end ===*/\n e}\n");
  mml::CompileSettings noExpansions;
  noExpansions.listExpand = false;
  EXPECT_EQ(listingOf("$0={@(\"c d\") ? e}", noExpansions), "$0={@(\"c d\") ?/*== 960 ==*/ e}\n");
  // Inside an expansion kept out of the listing, out() writes nothing either...
  EXPECT_EQ(listingOf("$0={@[\"w_(out(\\\"x\\\"); 1)\"]}", noExpansions), "$0={@[\"w_(out(\\\"x\\\"); 1)\"]}\n");
  // ...but an error there still ends the listing.
  EXPECT_EQ(listingOf("$0={@[\"c0\"]}", noExpansions), "$0={@[\"c0\"]←値が不正です。\n");
  EXPECT_EQ(listingOf("$0={@[\"c0\"]}"), "$0={@[\"c0\"]\n/*=== macro start ===\nc0←値が不正です。\n");
}

TEST(MmlExpansions, ErrorsInTheExpressionOrItsText) {
  EXPECT_EQ(errorOf("$0={@(1)}"), "式がエラー");
  EXPECT_EQ(errorOf("$0={@[\"c\"}"), "式がエラー");
  EXPECT_EQ(errorOf("$0={@(nothing)}"), "式がエラー");
  EXPECT_EQ(errorOf("$0={@(\"c }\")}"), "式展開の誤り");
  EXPECT_EQ(errorOf("$0={@(\"c )\")}"), "式展開の誤り");
  EXPECT_EQ(errorOf("$0={@[\"c ]\"]}"), "式展開の誤り");
  // An error inside the text is placed at the expansion, with the text's line.
  mmltest::Compiled c = compile("$0={c\n  @(\"d\\ne0 f\")}");
  EXPECT_EQ(c.failure.message, "値が不正です。");
  EXPECT_EQ(c.source.locate(c.failure.position).line, 2u);
  EXPECT_EQ(c.source.locate(c.failure.position).column, 3u);
  EXPECT_EQ(c.failure.expandedText, "d\ne0 f");
  EXPECT_EQ(c.failure.expandedPosition, 3u);
}

TEST(MmlExpansions, LimitsEndRunawayExpressions) {
  mml::CompileSettings small;
  small.maxExpressions = 100;
  EXPECT_EQ(compile("$0={w_(s = \"@[s]@[s]\"; 1) @[s]}", false, small).failure.message, "式が多すぎます。");
  small.maxExpandedBytes = 50;
  EXPECT_EQ(compile("$0={@[\"r\" * 51]}", false, small).failure.message, "展開が多すぎます。");
  EXPECT_TRUE(compile("$0={@[\"r\" * 50]}", false, small).ok);
  small.expressionLimits.maxIterations = 10;
  mmltest::Compiled c = compile("$0={@[for(i, 1, 11, \"r\")]}", false, small);
  EXPECT_EQ(c.failure.message, "式がエラー");
  EXPECT_FALSE(c.failure.detail.empty());
}

}  // namespace
