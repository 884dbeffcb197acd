// zembra as a user runs it: inputs, options, output bytes, listing,
// diagnostics and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run_tool.h"

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;

namespace {

const char* const kOneNote = "00 90 3C 40 FF F8 00 00 81 90 3C 00 60 FF 00 00";
const char* const kOneNoteDorna = "00 90 3C 40 32 90 3C 00 0C FF 00 00";

TEST(ZembraCli, OneNoteEmptySourceAndDorna) {
  auto run = runTool("zembra", {":$0={c}"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(hex(run.out), kOneNote);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(hex(runTool("zembra", {"-P", ":$0={c}"}).out), kOneNoteDorna);
  EXPECT_EQ(hex(runTool("zembra", {"-p", ":$0={c}"}).out), kOneNoteDorna);
  EXPECT_EQ(hex(runTool("zembra", {":"}).out), "00 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {"-P", ":"}).out), "00 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {}, "").out), "00 FF 00 00");
}

TEST(ZembraCli, ArgumentsFilesAndStandardInputGiveTheSameMusic) {
  TempDir dir;
  std::string file = dir.write("song.mml", "$0={c}\r\n");
  EXPECT_EQ(hex(runTool("zembra", {file}).out), kOneNote);
  EXPECT_EQ(hex(runTool("zembra", {"*"}, "$0={c}").out), kOneNote);
  EXPECT_EQ(hex(runTool("zembra", {}, "$0={c}").out), kOneNote);
  // Inputs are joined in order into one source.
  std::string head = dir.write("head.mml", "$0={");
  EXPECT_EQ(hex(runTool("zembra", {head, "*", ":}"}, "c").out), kOneNote);
}

TEST(ZembraCli, OutputFileAndListing) {
  TempDir dir;
  std::string out = dir.file("song.ost").string();
  std::string listing = dir.file("song.lst").string();
  auto run = runTool("zembra", {"-O" + out, "-L" + listing, ":$0={c /* ド */}", ":// end"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(hex(zamotest::readFile(out)), kOneNote);
  EXPECT_EQ(zamotest::readFile(listing), "$0={c /* ド */}\n// end\n");
}

TEST(ZembraCli, OptionsAreCheckedBeforeAnythingIsCompiled) {
  for (std::vector<std::string> args : {std::vector<std::string>{"-D10"}, {"-D 10"}, {"-d0"}, {"-Q"}, {"-X"},
                                        {"-N"}, {"-Nanything"}, {"-T0.1"}, {"-T999.9"}, {"-P", "-Q"}}) {
    args.push_back(":$0={c}");
    SCOPED_TRACE(args[0]);
    auto run = runTool("zembra", args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(hex(run.out), kOneNote);
  }
  for (const char* option : {"-Dx", "-D10x", "-D", "-Px", "-Qq", "-Xx", "-L", "-T1000", "-T0.05", "-T8x", "-T",
                             "-O", "-Z"}) {
    SCOPED_TRACE(option);
    auto run = runTool("zembra", {option, ":$0={c}"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(runTool("zembra", {"--version"}).out, "ZEMBRA 1.00\n");
}

// A rejected option says what the option wants; -N works but is not advertised.
TEST(ZembraCli, RejectedOptionsSayWhatTheyWant) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case kCases[] = {
      {{"-Dx"}, "invalid option -Dx: -D wants a number of ticks (0 to 4294967295)"},
      {{"-T1000"}, "invalid option -T1000: -T wants a step length from 0.1 up to (not including) 1000"},
      {{"-Px"}, "invalid option -Px: -P takes no text after the letter"},
      {{"-X1"}, "invalid option -X1: -X takes no text after the letter"},
      {{"-o", "out.ostra"}, "option -O takes its text in the same word: -Oout.ostra"},
      {{"-L", "song.lst"}, "option -L takes its text in the same word: -Lsong.lst"},
      {{"-Z"}, "unknown option -Z; the options are -D -L -O -P -Q -S -T -X"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.args[0]);
    auto run = runTool("zembra", c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "zembra: " + c.message + " (see --help)\n");
  }
  std::string help = runTool("zembra", {"-h"}).out;
  EXPECT_NE(help.find("-Lfile"), std::string::npos);
  EXPECT_EQ(help.find("-N"), std::string::npos);
}

const char* const kOneNoteSmf =
    "4D 54 68 64 00 00 00 06 00 00 00 01 01 E0 4D 54 72 6B 00 00 00 0C "
    "00 90 3C 40 83 00 3C 00 60 FF 2F 00";

// -S writes a Standard MIDI File; of -P, -Q and -S the last one counts, as
// -P and -Q always did; -T then does nothing, as with -Q. Several inputs
// are one source, so they make one file.
TEST(ZembraCli, SmfOutputIsOneOfThreeFormsLastOneCounts) {
  struct Case {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"-S", ":$0={c}"}, kOneNoteSmf},
      {{"-s", "-T4", ":$0={c}"}, kOneNoteSmf},
      {{"-P", "-S", ":$0={c}"}, kOneNoteSmf},
      {{"-S", "-Q", ":$0={c}"}, kOneNote},
      {{"-S", "-P", ":$0={c}"}, kOneNoteDorna},
      {{"-S", ":$0={", ":c}"}, kOneNoteSmf},
      {{"-S", ":"}, "4D 54 68 64 00 00 00 06 00 00 00 01 01 E0 4D 54 72 6B 00 00 00 04 00 FF 2F 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    auto run = runTool("zembra", c.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(hex(run.out), c.out);
    EXPECT_EQ(run.err, "");
  }
  auto refused = runTool("zembra", {"-Sx", ":$0={c}"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "zembra: invalid option -Sx: -S takes no text after the letter (see --help)\n");
}

// A tempo slower than a set-tempo event holds (M1 to M3) ends the run with
// nothing written: an output file keeps its bytes, as after a compile error.
TEST(ZembraCli, SmfOutputRefusesATempoItCannotCarry) {
  TempDir dir;
  std::string out = dir.write("song.mid", "old");
  auto run = runTool("zembra", {"-S", "-O" + out, ":$0={c m3 d}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zembra: tempo 3.00 BPM at tick 480 is slower than a set-tempo event holds (3.58 BPM)\n");
  EXPECT_EQ(zamotest::readFile(out), "old");
  auto slowest = runTool("zembra", {"-S", "-O" + out, ":$0={m4 c}"});
  EXPECT_EQ(slowest.status, 0) << slowest.err;
  EXPECT_EQ(hex(zamotest::readFile(out).substr(22, 7)), "00 FF 51 03 E4 E1 C0");
}

TEST(ZembraCli, StepLengthSetsTheDornaDelays) {
  EXPECT_EQ(hex(runTool("zembra", {"-P", "-T16", ":$0={c}"}).out), "00 90 3C 40 19 90 3C 00 06 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {"-P", "-T0.5", ":$0={c4&c4}"}).out),
            "00 90 3C 40 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 "
            "46 90 3C 00 FF F8 00 00 91 FF 00 00");
}

TEST(ZembraCli, ASyntaxErrorWritesNothingAndPointsAtTheUsersFile) {
  TempDir dir;
  std::string first = dir.write("a.mml", "$0={c}\n");
  std::string second = dir.write("b.mml", "// tune\n\t$1={c d ;}\n");
  std::string out = dir.file("out.ost").string();
  std::string listing = dir.file("out.lst").string();
  auto run = runTool("zembra", {"-O" + out, "-L" + listing, first, second, ":$2={e}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(run.err, "zembra: " + second + ":2:10: <}>がない。 (\";\" is not a command here)\n\t$1={c d ;}\n\t        ^\nKORMAVE: syntax error\n");
  EXPECT_EQ(zamotest::readFile(listing), "$0={c}\n// tune\n\t$1={c d ;←<}>がない。\n");
}

// Neither the output nor the listing may be an input: the run is refused
// before anything is read or written, and the file keeps its bytes.
TEST(ZembraCli, AnOutputOrListingThatIsAnInputIsRefused) {
  TempDir dir;
  const std::string kSong = "$0={c}";
  std::string song = dir.write("s.mml", kSong);
  std::filesystem::create_symlink(song, dir.file("link.mml"));
  std::string link = dir.file("link.mml").string();
  struct Case {
    std::vector<std::string> args;
    std::string refused;
  };
  const Case kCases[] = {
      {{"-O" + song, song}, song},
      {{"-L" + song, song}, song},
      {{"-O" + link, song}, link},
      {{"-L" + song, ":$1={d}", link}, song},
      {{"-P", "-O" + song, ":$1={d}", song}, song},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    auto run = runTool("zembra", c.args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "zembra: " + c.refused + ": is also an input; nothing written\n");
    EXPECT_EQ(zamotest::readFile(song), kSong);
  }
  // A ":" word is source text, and a file of another name is no input.
  std::string other = dir.file("other.ost").string();
  auto run = runTool("zembra", {"-O" + other, ":" + song});
  EXPECT_EQ(run.status, 1);  // the word is compiled as source, which fails
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(zamotest::readFile(song), kSong);
}

// A failed compilation leaves a previous output of the same name as it was,
// and creates none.
TEST(ZembraCli, AFailedRunLeavesThePreviousOutputAlone) {
  TempDir dir;
  std::string bad = dir.write("bad.mml", "$0={c");
  std::string good = dir.write("good.ostra", std::string("\x00\x90\x3C\x40\x00\xFF\x00\x00", 8));
  for (const char* format : {"-Q", "-P"}) {
    SCOPED_TRACE(format);
    auto run = runTool("zembra", {format, "-O" + good, bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(hex(zamotest::readFile(good)), "00 90 3C 40 00 FF 00 00");
    std::string fresh = dir.file("fresh.ostra").string();
    EXPECT_EQ(runTool("zembra", {format, "-O" + fresh, bad}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(fresh));
  }
}

// A listing or output that cannot be written is reported after the compile
// error, never instead of it; one that fails leaves the other to be written.
TEST(ZembraCli, OneFailureDoesNotHideAnother) {
  TempDir dir;
  std::string bad = dir.write("bad.mml", "$0={c");
  const std::string kCompileError = "zembra: " + bad + ":1:4: <}>がない。 (missing \"}\")\n$0={c\n   ^\nKORMAVE: syntax error\n";
  const std::string kFull = "zembra: /dev/full: No space left on device\n";
  auto run = runTool("zembra", {"-L/dev/full", bad});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kCompileError + kFull);
  run = runTool("zembra", {"-O/dev/full", "-L/dev/full", ":$0={c}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kFull + kFull);
  std::string listing = dir.file("song.lst").string();
  run = runTool("zembra", {"-O/dev/full", "-L" + listing, ":$0={c}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, kFull);
  EXPECT_EQ(zamotest::readFile(listing), "$0={c}\n");
}

// The echoed source line never carries a raw control byte to the terminal,
// and a Shift-JIS line arrives in UTF-8; the caret stays under the fault.
TEST(ZembraCli, SourceLinesReachTheTerminalAsText) {
  TempDir dir;
  struct Case {
    std::string source;
    std::string shown;
    std::string caret;
  };
  const Case kCases[] = {
      {"$0={c \x1B]0;title\x07 ;}", "$0={c \\x1B]0;title\\x07 ;}", std::string(10, ' ') + "^"},
      {"$0={c\r\x7F;}\n", "$0={c\\x0D\\x7F;}", std::string(9, ' ') + "^"},
      {"/* \x83\x5C\xB1 */ $0={c ;}\n", "/* ソｱ */ $0={c ;}", std::string(16, ' ') + "^"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.shown);
    std::string file = dir.write("raw.mml", c.source);
    auto run = runTool("zembra", {file});
    EXPECT_EQ(run.status, 1);
    std::size_t lineStart = run.err.find('\n') + 1;
    EXPECT_EQ(run.err.substr(lineStart), c.shown + "\n" + c.caret + "\nKORMAVE: syntax error\n");
  }
}

// An unclosed block in one input is reported in that input, at its opener,
// not where the next input begins.
TEST(ZembraCli, AnUnclosedBlockIsReportedAtItsOpener) {
  TempDir dir;
  std::string first = dir.write("a.mml", "$0={c4\n  (e4\n");
  std::string second = dir.write("b.mml", "$1={d}\n");
  auto run = runTool("zembra", {first, second});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zembra: " + first + ":2:3: <)>がない。 (missing \")\")\n  (e4\n  ^\nKORMAVE: syntax error\n");
  first = dir.write("a.mml", "$0={c4\n");
  run = runTool("zembra", {first, ":$1={d}"});
  EXPECT_EQ(run.err, "zembra: " + first + ":1:4: <}>がない。 (missing \"}\")\n$0={c4\n   ^\nKORMAVE: syntax error\n");
  // When the next input reads on as part of the open block and fails there,
  // the open block is shown as the likely cause.
  first = dir.write("a.mml", "$0={c\n");
  run = runTool("zembra", {first, second});
  EXPECT_EQ(run.err, "zembra: " + second + ":1:4: 16進数がない (hexadecimal number expected)\n$1={d}\n   ^\n" +
                         first + ":1:4: the block opened here is not closed\n$0={c\n   ^\nKORMAVE: syntax error\n");
}

TEST(ZembraCli, ErrorsInArgumentsAndStandardInputAreNamedSo) {
  auto run = runTool("zembra", {":$0={c}", ":$1={\n  c0}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "zembra: <arg>:2:4: 値が不正です。 (value out of range)\n  c0}\n   ^\nKORMAVE: syntax error\n");
  run = runTool("zembra", {}, "$16={}");
  EXPECT_EQ(run.err, "zembra: <stdin>:1:2: 値が不正です。 (value out of range)\n$16={}\n ^\nKORMAVE: syntax error\n");
}

TEST(ZembraCli, ShiftJisSourceCountsDoubleByteCharactersAsOneColumn) {
  TempDir dir;
  std::string sjis = "/* \x83\x68\x83\x8C */ $0={c ]}\n";
  std::string file = dir.write("sjis.mml", sjis);
  auto run = runTool("zembra", {file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zembra: " + file + ":1:16: <}>がない。 (missing \"}\")\n/* ドレ */ $0={c ]}\n                 ^\nKORMAVE: syntax error\n");
}

// A block ended early names the character that ended it; at its end or another closer, "missing".
TEST(ZembraCli, AnEarlyEndOfABlockNamesTheCharacterThatEndedIt) {
  const std::pair<const char*, const char*> cases[] = {
      {":$0={ c d e i f g }", "1:12: <}>がない。 (\"i\" is not a command here)"},
      {":$0={ [c e ド] }", "1:11: <]>がない。 (\"ド\" is not a command here)"},
      {":$0={ (c d }", "1:11: <)>がない。 (missing \")\")"},
      {":$0={ c d", "1:4: <}>がない。 (missing \"}\")"},
  };
  for (const auto& [source, place] : cases) {
    const std::string err = runTool("zembra", {source}).err;
    EXPECT_EQ(err.substr(0, err.find('\n')), std::string("zembra: <arg>:") + place);
  }
}

// Output, listing and status are those of the same music written with a set time instead.
TEST(ZembraCli, AnOverfullMeasureWarnsAndChangesNothing) {
  TempDir dir;
  const char* const cases[][3] = {
      {":$0={ c1 d4 | e }", ":$0={ c1 d4 *1920 e }", "1:12: warning: overfull measure: the voice is 480 ticks"},
      {":$0={ @(\"c1 |1919 e\") }", ":$0={ c1 *1919 e }", "1:6: warning: overfull measure: the voice is 1 tick"},
      {":$0={ c4 | e | }", ":$0={ c4 *1920 e *3840 }", nullptr},
  };
  for (const auto& [source, same, warning] : cases) {
    auto run = runTool("zembra", {"-X", "-L" + dir.file("l").string(), source});
    EXPECT_EQ(run.err, warning ? "zembra: <arg>:" + std::string(warning) + " past this bar line and moves back to it\n" : "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(hex(run.out), hex(runTool("zembra", {same}).out)) << source;
    EXPECT_EQ(dir.read("l"), std::string(source + 1) + "\n");
  }
}

TEST(ZembraCli, AMissingFileIsReportedAndNothingIsWritten) {
  TempDir dir;
  auto run = runTool("zembra", {":$0={c}", dir.file("none.mml").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("none.mml: No such file or directory"), std::string::npos) << run.err;
}

TEST(ZembraCli, BankDelayOptionSpacesTheMessagesOfS) {
  EXPECT_EQ(hex(runTool("zembra", {"-D10", ":$0={S1,2,3}"}).out),
            "00 B0 00 01 0A B0 20 02 0A C0 03 00 00 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {":$0={S1,2,3}"}).out), "00 B0 00 01 00 B0 20 02 00 C0 03 00 00 FF 00 00");
}

TEST(ZembraCli, AListingNeverChangesTheMusic) {
  TempDir dir;
  std::string listing = dir.file("song.lst").string();
  const std::string source = ":$0={c4 c4 c4 ? | c @[\"d\"]}";
  auto listed = runTool("zembra", {"-L" + listing, source});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, runTool("zembra", {source}).out);
  EXPECT_EQ(zamotest::readFile(listing),
            "$0={c4 c4 c4 ?/*== 1440 ==*/ | c @[\"d\"]\n/*=== macro start ===\nd\n=== macro end ===*/\n}\n");
  EXPECT_EQ(runTool("zembra", {"-X", "-L" + listing, source}).out, listed.out);
  EXPECT_EQ(zamotest::readFile(listing), "$0={c4 c4 c4 ?/*== 1440 ==*/ | c @[\"d\"]}\n");
}

TEST(ZembraCli, ErrorsInExpressionsAndExpansionsSayWhyAndWhere) {
  auto run = runTool("zembra", {":$0={c\n w_(tick + nothing)}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "zembra: <arg>:2:12: KELEXPR式の誤り (error in expression) (unknown name \"nothing\")\n w_(tick + nothing)}\n           ^\n"
            "KORMAVE: syntax error\n");
  run = runTool("zembra", {":$0={@(\"c d\\ne }\")}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "zembra: <arg>:1:5: 式展開の誤り (malformed expansion)\n$0={@(\"c d\\ne }\")}\n    ^\nexpanded: e }\n            ^\n"
            "KORMAVE: syntax error\n");
}

// The bundled pieces compile, and fendix renders what zembra makes.
TEST(ZembraCli, ExamplePiecesCompileAndRender) {
  std::vector<std::filesystem::path> pieces;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(ZAMO_SOURCE_DIR) + "/examples")) {
    if (entry.path().extension() == ".mml") pieces.push_back(entry.path());
  }
  std::sort(pieces.begin(), pieces.end());
  EXPECT_GE(pieces.size(), 3u);
  for (const auto& piece : pieces) {
    SCOPED_TRACE(piece.filename().string());
    auto compiled = runTool("zembra", {piece.string()});
    EXPECT_EQ(compiled.status, 0);
    EXPECT_EQ(compiled.err, "");
    ASSERT_GT(compiled.out.size(), 100u);
    EXPECT_EQ(compiled.out.substr(compiled.out.size() - 3), std::string("\xFF\x00\x00", 3));
    auto rendered = runTool("fendix", {}, compiled.out);
    EXPECT_EQ(rendered.status, 0);
    EXPECT_EQ(rendered.err, "");
    EXPECT_GT(rendered.out.size(), 100u);
    // zembra's own DORNA writer gives a stream too.
    EXPECT_EQ(runTool("zembra", {"-P", piece.string()}).status, 0);
  }
}

TEST(ZembraCli, TheSetupPieceSendsItsResetsWithTheirChecksums) {
  auto run = runTool("zembra", {std::string(ZAMO_SOURCE_DIR) + "/examples/gs_setup.mml"});
  ASSERT_EQ(run.status, 0);
  // Tempo 120 (12000) and GM System On at the start; the GS Reset with its checksum 41.
  EXPECT_EQ(hex(run.out.substr(0, 12)), "00 F1 E0 2E 00 F0 05 00 00 00 7E 7F");
  EXPECT_NE(hex(run.out).find("F0 0A 00 00 00 41 10 42 12 40 00 7F 00 41 F7"), std::string::npos);
}

}  // namespace
