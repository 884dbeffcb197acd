// wental and its file naming.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "run_tool.h"
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

TEST(Wental, BadPatternsFailAtTheFirstMessage) {
  TempDir dir;
  auto run = runTool("wental", {"-X%3.syx"}, "no message here", dir.path());
  EXPECT_EQ(run.status, 0);
  auto bad = runTool("wental", {"-X%3.syx"}, unhex("F0 01 F7"), dir.path());
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "wental: <stdin>: Invalid argument\n");
  auto tooLong = runTool("wental", {"-S" + std::string(300, 'n')}, unhex("F0 01 F7"), dir.path());
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.err, "wental: <stdin>: File name too long\n");
  EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(Wental, CutMessageKeepsItsBytesAndEndsTheRun) {
  TempDir dir;
  std::string a = dir.write("a.syx", unhex("F0 01 F7 F0 02 03"));
  std::string b = dir.write("b.syx", unhex("F0 04 F7"));
  auto run = runTool("wental", {"-Sout-", a, b}, {}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "wental: " + a + ": malformed input or unexpected end of input (at byte offset 6)\n");
  EXPECT_EQ(hex(dir.read("out-00000000.SYX")), "F0 01 F7");
  EXPECT_EQ(hex(dir.read("out-00000001.SYX")), "F0 02 03");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out-00000002.SYX")));
  // A status byte inside: the bytes before it stay, the status byte is not written.
  auto status = runTool("wental", {"-Sst-"}, unhex("F0 05 06 90 07 F7"), dir.path());
  EXPECT_EQ(status.status, 1);
  EXPECT_EQ(hex(dir.read("st-00000000.SYX")), "F0 05 06");
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
