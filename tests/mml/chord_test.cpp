// Chords and arpeggios.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::events;
using mmltest::notes;
using Lines = std::vector<std::string>;

namespace {

TEST(MmlChords, NotesStartTogetherAndTheVoiceMovesByTheChordLength) {
  EXPECT_EQ(notes("$0={[c e g] c}"), (Lines{"on 0 60 64", "on 0 64 64", "on 0 67 64", "off 384 60", "off 384 64",
                                            "off 384 67", "on 480 60 64", "off 864 60"}));
}

TEST(MmlChords, ArpeggioStepsEachNoteFromThePrevious) {
  EXPECT_EQ(notes("$0={[2,120 c e g] c}"),
            (Lines{"on 0 60 64", "on 120 64 64", "on 240 67 64", "off 768 60", "off 888 64", "on 960 60 64",
                   "off 1008 67", "off 1728 60"}));  // the chord's length 2 is the next note's too
  EXPECT_EQ(notes("$0={[2, $78 c e]}")[1], "on 120 64 64");
}

TEST(MmlChords, EachNoteHasItsOwnLength) {
  EXPECT_EQ(notes("$0={[2 c4 e g8. a%100 b']}"),
            (Lines{"on 0 60 64", "on 0 64 64", "on 0 67 64", "on 0 69 64", "on 0 71 64", "off 80 69",
                   "off 288 67", "off 384 60", "off 384 71", "off 768 64"}));
  // The chord's length is the default for later notes; a note's own length is not.
  EXPECT_EQ(events("$0={[8 c] d}").back(), "480:end");
  EXPECT_EQ(events("$0={[c8] d}").back(), "960:end");
  EXPECT_EQ(errorOf("$0={[c0]}"), "値が不正です。");
}

TEST(MmlChords, SettingsAndVelocitiesInsideAChordStay) {
  EXPECT_EQ(notes("$0={[o5 c > e] c}"), (Lines{"on 0 84 64", "on 0 76 64", "off 384 84", "off 384 76",
                                               "on 480 72 64", "off 864 72"}));
  EXPECT_EQ(notes("$0={[c,100 e] d}"), (Lines{"on 0 60 100", "on 0 64 100", "off 384 60", "off 384 64",
                                              "on 480 62 100", "off 864 62"}));
  EXPECT_EQ(notes("$0={[v0 c v64 e]}"), (Lines{"on 0 64 64", "off 384 64"}));
  EXPECT_EQ(notes("$0={[x10 c]}")[1], "off 10 60");
}

TEST(MmlChords, AChordEndsAPendingTie) {
  EXPECT_EQ(notes("$0={c4& [e]}"), (Lines{"on 0 60 64", "off 384 60", "on 480 64 64", "off 864 64"}));
}

TEST(MmlChords, CommentsAndWhatAChordDoesNotTake) {
  EXPECT_EQ(notes("$0={[c /* e */ g // b\n]}").size(), 4u);
  EXPECT_EQ(errorOf("$0={[c / e]}"), "コメントが正しくない");
  EXPECT_EQ(errorOf("$0={[c e g}"), "<]>がない。");
  EXPECT_EQ(errorOf("$0={[c r]}"), "<]>がない。");
  EXPECT_EQ(errorOf("$0={[c l8]}"), "<]>がない。");
  EXPECT_EQ(errorOf("$0={[c &]}"), "<]>がない。");
  EXPECT_EQ(errorOf("$0={[c"), "<]>がない。");
}

}  // namespace
