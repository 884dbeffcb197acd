// Notes, rests, lengths, dots, ties, octaves, transposition, velocity and gate.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::events;
using mmltest::notes;
using Lines = std::vector<std::string>;

namespace {

// The note numbers of the note-ons of a block.
std::vector<int> pitches(const std::string& block) {
  std::vector<int> numbers;
  for (const std::string& line : notes("$0={" + block + "}")) {
    if (line.rfind("on ", 0) == 0) numbers.push_back(std::stoi(line.substr(line.find(' ', 3) + 1)));
  }
  return numbers;
}

TEST(MmlNotes, OneNoteIsANoteOnANoteOffAndTheBlockEnd) {
  EXPECT_EQ(events("$0={c}"), (Lines{"0:90 3C 40", "384:90 3C 00", "480:end"}));
  EXPECT_EQ(events("$5={C}"), (Lines{"0:95 3C 40", "384:95 3C 00", "480:end"}));
  EXPECT_EQ(events("$ 1 = { }"), (Lines{"0:end"}));
}

TEST(MmlNotes, LengthsDotsAndApostrophes) {
  // 840, 120, 100 and 100 ticks: the written length becomes the default, dots do not.
  EXPECT_EQ(notes("$0={c4.. d4'' e%100 f}"),
            (Lines{"on 0 60 64", "off 672 60", "on 840 62 64", "off 936 62", "on 960 64 64", "off 1040 64",
                   "on 1060 65 64", "off 1140 65"}));
  EXPECT_EQ(events("$0={c4. d4' e}").back(), "1440:end");  // 720 + 240 + 480
  EXPECT_EQ(events("$0={c8 d e}").back(), "720:end");
  EXPECT_EQ(events("$0={c3}").back(), "640:end");
  EXPECT_EQ(events("$0={c 4 .}").back(), "720:end");  // blanks before length and dot
  EXPECT_EQ(errorOf("$0={c0}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={c$FFFFFFFF}"), "値が不正です。");  // -1 as a note value
}

TEST(MmlNotes, RestsAndDefaultLengthSettings) {
  EXPECT_EQ(notes("$0={r4. c}").front(), "on 720 60 64");
  EXPECT_EQ(events("$0={r%100 c}").back(), "200:end");
  EXPECT_EQ(events("$0={l8 c d}").back(), "480:end");
  EXPECT_EQ(events("$0={l8 l c}").back(), "480:end");
  EXPECT_EQ(events("$0={w100 c d}").back(), "200:end");
  EXPECT_EQ(events("$0={w100 c w c}").back(), "580:end");
  EXPECT_EQ(errorOf("$0={l0}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={r0}"), "値が不正です。");
}

TEST(MmlTies, TiedNotesOfOneNumberBecomeOneNote) {
  EXPECT_EQ(notes("$0={c4&c4}"), (Lines{"on 0 60 64", "off 768 60"}));
  EXPECT_EQ(notes("$0={c4 & c4}"), (Lines{"on 0 60 64", "off 768 60"}));
  EXPECT_EQ(notes("$0={c4&c4&c4 d}"), (Lines{"on 0 60 64", "off 1152 60", "on 1440 62 64", "off 1824 62"}));
  // The tie keeps the gate, velocity and offset of its start.
  EXPECT_EQ(notes("$0={c4& z50 v100 c4}"), (Lines{"on 0 60 64", "off 768 60"}));
  EXPECT_EQ(notes("$0={v0 c4& v64 c4 d}"), (Lines{"on 960 62 64", "off 1344 62"}));
}

TEST(MmlTies, ATieIsEndedByAnotherNoteARestOrTheBlockEnd) {
  EXPECT_EQ(notes("$0={c4&d4}"), (Lines{"on 0 60 64", "off 384 60", "on 480 62 64", "off 864 62"}));
  EXPECT_EQ(notes("$0={c4& r4 c}"), (Lines{"on 0 60 64", "off 384 60", "on 960 60 64", "off 1344 60"}));
  EXPECT_EQ(notes("$0={c2&}"), (Lines{"on 0 60 64", "off 768 60"}));
  EXPECT_EQ(notes("$0={c4&c#4}"), (Lines{"on 0 60 64", "off 384 60", "on 480 61 64", "off 864 61"}));
}

TEST(MmlOctaves, OctaveAccidentalsAndFolding) {
  EXPECT_EQ(pitches("c d e f g a b"), (std::vector<int>{60, 62, 64, 65, 67, 69, 71}));
  EXPECT_EQ(pitches("c# d- e+ c #"), (std::vector<int>{61, 61, 65, 61}));
  EXPECT_EQ(pitches("o4 c o0 c o c"), (std::vector<int>{72, 24, 60}));
  EXPECT_EQ(pitches("o8 b"), (std::vector<int>{119}));     // 131 lowered by an octave
  EXPECT_EQ(pitches("o8 b#"), (std::vector<int>{120}));    // 132 is above 127 before transposition
  EXPECT_EQ(pitches("o-2 n-1 c"), (std::vector<int>{11}));  // -1 raised into 0..11
  EXPECT_EQ(pitches("o9 c o-3 c"), (std::vector<int>{120, 0}));
  EXPECT_EQ(pitches("n12 c n200 c n c"), (std::vector<int>{72, 116, 60}));
}

TEST(MmlOctaves, ArrowsStopAtTheEnds) {
  EXPECT_EQ(pitches("< c > > c"), (std::vector<int>{72, 48}));
  EXPECT_EQ(pitches("<<<<<<<<< c"), (std::vector<int>{120}));
  EXPECT_EQ(pitches(">>>>>>>> c"), (std::vector<int>{0}));
}

TEST(MmlVelocity, SetClampedAndGivenPerNote) {
  EXPECT_EQ(notes("$0={v200 c}").front(), "on 0 60 127");
  EXPECT_EQ(notes("$0={v10 v c}").front(), "on 0 60 64");
  EXPECT_EQ(notes("$0={c4,100 d}"), (Lines{"on 0 60 100", "off 384 60", "on 480 62 100", "off 864 62"}));
  EXPECT_EQ(notes("$0={v1 c4, d}")[2], "on 480 62 64");
  EXPECT_EQ(notes("$0={v0 c4 v64 d4}"), (Lines{"on 480 62 64", "off 864 62"}));
}

TEST(MmlGate, TheThreeModes) {
  EXPECT_EQ(events("$0={x0 c}"), (Lines{"0:90 3C 40", "0:90 3C 00", "480:end"}));
  EXPECT_EQ(notes("$0={x100 c}")[1], "off 100 60");
  EXPECT_EQ(notes("$0={x c}")[1], "off 0 60");
  EXPECT_EQ(notes("$0={y500 c4}")[1], "off 0 60");
  EXPECT_EQ(notes("$0={y c4}")[1], "off 384 60");  // 480 - 96
  EXPECT_EQ(notes("$0={y100 c4}")[1], "off 380 60");
  EXPECT_EQ(notes("$0={z50 c}")[1], "off 240 60");
  EXPECT_EQ(notes("$0={z50 z c}")[1], "off 384 60");
  EXPECT_EQ(notes("$0={c%7}")[1], "off 5 60");  // 7 * 80 / 100, truncated
  // A gate never ends a note before it starts, and never wraps.
  EXPECT_EQ(notes("$0={x$FFFFFFFF c}")[1], "off 0 60");
  EXPECT_EQ(notes("$0={z200 c%20000000}")[1], "off 40000000 60");
}

}  // namespace
