// wental and its file naming.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "run_tool.h"
#include "sysex_test_util.h"
#include "vornlib/argfilename.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

std::vector<std::string> filesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Wental, NumbersMessagesAcrossInputs) {
  TempDir dir;
  std::string a = dir.write("a.syx", unhex("F0 01 F7 F0 02 F7 F0 03 F7"));
  std::string b = dir.write("b.syx", "text" + unhex("F7 F0 04 F7 80 F0 F7"));
  std::filesystem::create_directory(dir.file("out"));
  auto run = runTool("wental", {a, b}, {}, dir.file("out"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  std::vector<std::string> expected = {"00000000.SYX", "00000001.SYX", "00000002.SYX", "00000003.SYX", "00000004.SYX"};
  EXPECT_EQ(filesIn(dir.file("out")), expected);
  EXPECT_EQ(hex(dir.read("out/00000002.SYX")), "F0 03 F7");
  EXPECT_EQ(hex(dir.read("out/00000003.SYX")), "F0 04 F7");
  EXPECT_EQ(hex(dir.read("out/00000004.SYX")), "F0 F7");
}

TEST(Wental, InputWithoutMessagesMakesNoFile) {
  TempDir dir;
  auto run = runTool("wental", {}, unhex("01 02 F7 90 40 40") + "text", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(Wental, BaseTextAndPattern) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("parts"));
  std::string song = dir.write("song.v1.syx", unhex("F0 01 F7 F0 02 F7"));
  auto run = runTool("wental", {"-S" + dir.file("parts").string() + "/x-", "-X%2_%1z3;%%.bin", song});
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::string> expected = {"x-song.v1_000%.bin", "x-song.v1_001%.bin"};
  EXPECT_EQ(filesIn(dir.file("parts")), expected);
  auto piped = runTool("wental", {"-X%2-%1.syx"}, unhex("F0 05 F7"), dir.path());
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(hex(dir.read("stdin-0.syx")), "F0 05 F7");
  EXPECT_EQ(runTool("wental", {"-X"}, unhex("F0 05 F7"), dir.path()).status, 2);
}

TEST(Wental, BadPatternsAreRefusedWhenGiven) {
  TempDir dir;
  struct Case {
    const char* option;
    const char* why;
  } cases[] = {
      {"-X%3.syx", "%3 is not a field (use %1, %2, %%)"},
      {"-Xa%", "a lone % at the end is not a field (use %1, %2, %%)"},
      {"-X%1z8.syx", "%1z8 is not a padding (write z, a width and ;, as in %1z8;)"},
      {"-X%2z;", "%2z; is not a padding (write z, a width and ;, as in %2z8;)"},
      {"-X%%%1z300;", "%1z300; pads wider than a file name may be"},
  };
  for (const Case& c : cases) {
    // Refused before any input is read: the named input does not even exist.
    auto run = runTool("wental", {c.option, "after.syx"}, {}, dir.path());
    EXPECT_EQ(run.status, 2) << c.option;
    EXPECT_EQ(run.err, std::string("wental: -X: ") + c.why + "\n");
  }
  EXPECT_EQ(runTool("wental", {"-X"}, {}, dir.path()).err,
            "wental: invalid option -X: -X wants a name pattern such as %2-%1z3;.syx (see --help)\n");
  // A name too long blames -S and -X, not the input.
  auto tooLong = runTool("wental", {"-S" + std::string(300, 'n')}, unhex("F0 01 F7"), dir.path());
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.err, "wental: -S, -X: no name for message 0 of <stdin> (at byte offset 0): File name too long\n");
  EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(Wental, CutMessageKeepsItsBytesAndEndsTheRun) {
  TempDir dir;
  std::string a = dir.write("a.syx", unhex("F0 01 F7 F0 02 03"));
  std::string b = dir.write("b.syx", unhex("F0 04 F7"));
  auto run = runTool("wental", {"-Sout-", a, b}, {}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "wental: " + a + ": the input ends inside the message that starts at byte offset 3, before its F7 "
                     "(at byte offset 6)\n");
  EXPECT_EQ(hex(dir.read("out-00000000.SYX")), "F0 01 F7");
  EXPECT_EQ(hex(dir.read("out-00000001.SYX")), "F0 02 03");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out-00000002.SYX")));
  // A status byte inside: the bytes before it stay, the status byte is not written.
  auto status = runTool("wental", {"-Sst-"}, unhex("F0 05 06 90 07 F7"), dir.path());
  EXPECT_EQ(status.status, 1);
  EXPECT_EQ(status.err, "wental: <stdin>: status byte 90 inside the message that starts at byte offset 0 (at byte offset 3)\n");
  EXPECT_EQ(hex(dir.read("st-00000000.SYX")), "F0 05 06");
}

TEST(Wental, ANameWrittenTwiceKeepsTheFirstFileAndEndsTheRun) {
  TempDir dir;
  dir.write("a.syx", unhex("F0 01 F7 F0 02 F7"));
  dir.write("b.syx", unhex("F0 03 F7"));
  // A file of that name from before the run is overwritten, as split(1) does.
  dir.write("piece.syx", "old");
  auto run = runTool("wental", {"-Xpiece.syx", "a.syx", "b.syx"}, {}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "wental: piece.syx: already written in this run for message 0 of a.syx (at byte offset 0); "
                     "message 1 of a.syx (at byte offset 3) not written (give -X a %1 to number the files)\n");
  EXPECT_EQ(hex(dir.read("piece.syx")), "F0 01 F7");
  // Two inputs of one base name under %2, however the name is spelled.
  std::filesystem::create_directory(dir.file("x"));
  dir.write("x/a.syx", unhex("F0 04 F7"));
  std::filesystem::create_directory(dir.file("out"));
  auto twice = runTool("wental", {"-S./out//", "-X%2.syx", "b.syx", "x/a.syx", "a.syx"}, {}, dir.path());
  EXPECT_EQ(twice.status, 1);
  EXPECT_EQ(twice.err, "wental: ./out//a.syx: already written in this run for message 1 of x/a.syx (at byte offset 0); "
                       "message 2 of a.syx (at byte offset 0) not written (give -X a %1 to number the files)\n");
  EXPECT_EQ(hex(dir.read("out/a.syx")), "F0 04 F7");
  EXPECT_EQ(hex(dir.read("out/b.syx")), "F0 03 F7");
}

TEST(Wental, AnOutputThatIsAnInputIsRefused) {
  TempDir dir;
  const std::string dump = unhex("F0 01 F7 F0 02 F7");
  dir.write("d.syx", dump);
  for (const char* pattern : {"-Xd.syx", "-X%2.syx"}) {
    auto run = runTool("wental", {pattern, "d.syx"}, {}, dir.path());
    EXPECT_EQ(run.status, 1) << pattern;
    EXPECT_EQ(run.err, "wental: d.syx: is also an input; nothing written\n") << pattern;
    EXPECT_EQ(dir.read("d.syx"), dump) << pattern;
  }
  // Standard input read from the file counts too.
  auto piped = sysextest::runShell("\"$B/wental\" -Xd.syx < d.syx", dir.path());
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err, "wental: d.syx: is also an input; nothing written\n");
  EXPECT_EQ(dir.read("d.syx"), dump);
}

TEST(Wental, BreakRemovesOnlyTheUnfinishedFile) {
  TempDir dir;
  // The second message is cut off while its input (a FIFO held open) still waits; then the break comes.
  const char* script = R"(
    mkfifo ../feed
    "$B/wental" < ../feed &
    pid=$!
    exec 3> ../feed
    rm ../feed
    printf '\xF0\x41\xF7\xF0\x41' >&3
    for i in $(seq 200); do [ -e 00000001.SYX ] && break; sleep 0.05; done
    [ -e 00000001.SYX ] || echo "no second file" >&2
    kill -%s $pid
    wait $pid
  )";
  for (const char* signal : {"INT", "TERM"}) {
    std::filesystem::remove_all(dir.file("out"));
    std::filesystem::create_directory(dir.file("out"));
    char text[512];
    std::snprintf(text, sizeof text, script, signal);
    auto run = sysextest::runShell(text, dir.file("out"));
    EXPECT_EQ(run.status, std::string(signal) == "INT" ? 130 : 143) << signal;
    EXPECT_EQ(run.err, "") << signal;
    EXPECT_EQ(filesIn(dir.file("out")), std::vector<std::string>{"00000000.SYX"}) << signal;
    EXPECT_EQ(hex(dir.read("out/00000000.SYX")), "F0 41 F7") << signal;
  }
}

TEST(ArgFileName, FieldsAndPadding) {
  std::string out;
  ASSERT_TRUE(vorn::ArgFileName(out, "", "%1z8;.SYX", 42, nullptr));
  EXPECT_EQ(out, "00000042.SYX");
  ASSERT_TRUE(vorn::ArgFileName(out, "dir/", "%1z8;.SYX", 123456789, nullptr));
  EXPECT_EQ(out, "dir/123456789.SYX");  // wider than the padding: not cut
  ASSERT_TRUE(vorn::ArgFileName(out, "b_", "%2.%1", 7, "/x/y/song.mid"));
  EXPECT_EQ(out, "b_song.7");
  ASSERT_TRUE(vorn::ArgFileName(out, "", "%2z6;", 0, "ab.c"));
  EXPECT_EQ(out, "0000ab");
  ASSERT_TRUE(vorn::ArgFileName(out, "", "%2", 0, nullptr));
  EXPECT_EQ(out, "stdin");
  ASSERT_TRUE(vorn::ArgFileName(out, "", "100%%-%1z0;", 5, nullptr));
  EXPECT_EQ(out, "100%-5");
  ASSERT_TRUE(vorn::ArgFileName(out, "only", "plain", 5, nullptr));
  EXPECT_EQ(out, "onlyplain");
}

TEST(ArgFileName, Failures) {
  std::string out;
  for (const char* bad : {"%", "%3", "%z", "%1z;", "%1z8", "%1z8x;", "a%"}) {
    errno = 0;
    EXPECT_FALSE(vorn::ArgFileName(out, "", bad, 1, nullptr)) << bad;
    EXPECT_EQ(errno, EINVAL) << bad;
  }
  for (const char* bad : {"%1z260;", "%1z99999999999;"}) {
    errno = 0;
    EXPECT_FALSE(vorn::ArgFileName(out, "", bad, 1, nullptr)) << bad;
    EXPECT_EQ(errno, ENAMETOOLONG) << bad;
  }
  EXPECT_TRUE(vorn::ArgFileName(out, std::string(255, 'a'), "%1z4;", 1, nullptr));
  EXPECT_EQ(out.size(), 259u);
  errno = 0;
  EXPECT_FALSE(vorn::ArgFileName(out, std::string(256, 'a'), "%1z4;", 1, nullptr));
  EXPECT_EQ(errno, ENAMETOOLONG);
  EXPECT_FALSE(vorn::ArgFileName(out, std::string(260, 'a'), "", 1, nullptr));
}

}  // namespace
