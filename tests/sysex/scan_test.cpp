// The SysEx file scanning loop and the checksum definitions.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "run_tool.h"
#include "vornlib/checksum7.h"
#include "sysex/scan.h"

namespace {

using zamotest::hex;
using zamotest::unhex;

struct Recorder {
  std::vector<std::string> messages;
  std::string open;  // the message being read
  int stopAfter = -1;
  void begin() { open = "F0"; }
  void data(std::uint8_t b) { open += " " + hex(std::string(1, static_cast<char>(b))); }
  bool end() {
    messages.push_back(open + " F7");
    open.clear();
    return static_cast<int>(messages.size()) != stopAfter;
  }
};

sysex::ScanResult scan(std::string_view bytes, Recorder& r, std::uint64_t* offset = nullptr) {
  vorn::ByteInput in;
  in.openMemory(bytes);
  sysex::ScanResult result = sysex::scanSysexFile(in, r);
  if (offset) *offset = in.offset();
  return result;
}

TEST(SysexScan, SkipsEverythingBetweenMessages) {
  Recorder r;
  // Text, a status byte, an orphaned F7 and stray data around two messages.
  std::string file = "hello" + unhex("90 40 F7 F0 41 10 F7 12 F7 F8 F0 F7 7F");
  EXPECT_EQ(scan(file, r), sysex::ScanResult::Done);
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(r.messages[0], "F0 41 10 F7");
  EXPECT_EQ(r.messages[1], "F0 F7");
}

TEST(SysexScan, InputWithoutMessageStartGivesNothing) {
  Recorder r;
  EXPECT_EQ(scan(unhex("F7 01 02 80 FF F7"), r), sysex::ScanResult::Done);
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(scan("", r), sysex::ScanResult::Done);
  EXPECT_TRUE(r.messages.empty());
}

TEST(SysexScan, CutMessagesAreMalformedAndNotRepaired) {
  {
    Recorder r;
    std::uint64_t offset = 0;
    EXPECT_EQ(scan(unhex("F0 01 F7 F0 02 03"), r, &offset), sysex::ScanResult::Malformed);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.open, "F0 02 03");  // begun, its data seen, never ended
    EXPECT_EQ(offset, 6u);
  }
  // A status byte inside a message, another F0 included, is left unread so
  // the offset names it.
  for (int bad : {0x80, 0x90, 0xF0, 0xF8, 0xFF}) {
    Recorder r;
    std::uint64_t offset = 0;
    std::string file = unhex("F0 01 02") + std::string(1, static_cast<char>(bad)) + unhex("03 F7");
    EXPECT_EQ(scan(file, r, &offset), sysex::ScanResult::Malformed) << bad;
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.open, "F0 01 02");
    EXPECT_EQ(offset, 3u);
  }
}

TEST(SysexScan, SinkCanStopTheScan) {
  Recorder r;
  r.stopAfter = 1;
  EXPECT_EQ(scan(unhex("F0 01 F7 F0 02 F7"), r), sysex::ScanResult::Stopped);
  EXPECT_EQ(r.messages.size(), 1u);
}

TEST(SysexChecksum, ThreeKindsOverTheSameBytes) {
  const std::uint8_t data[] = {0x40, 0x00, 0x7F, 0x00};
  EXPECT_EQ(vorn::runningSum(data), 0xBF);
  EXPECT_EQ(vorn::sum7(data), 0x3F);
  EXPECT_EQ(vorn::csum7(data), 0x41);
  EXPECT_EQ(vorn::ksum7(data), 0x64);
  // The complement brings the seven-bit sum to zero, also where the sum is already zero.
  for (int s = 0; s < 256; ++s) {
    auto sum = static_cast<std::uint8_t>(s);
    EXPECT_EQ((s + vorn::csum7(sum)) & 0x7F, 0) << s;
    EXPECT_LT(vorn::csum7(sum), 0x80);
    EXPECT_LT(vorn::ksum7(sum), 0x80);
  }
  EXPECT_EQ(vorn::csum7(std::uint8_t{0x80}), 0);
  const std::uint8_t more[] = {0x01, 0x02};
  EXPECT_EQ(vorn::runningSum(more, 0xFF), 0x02);  // continues, wrapping at 256
  // Long runs, of any length and of the largest bytes, as the plain sum has them.
  const std::vector<std::uint8_t> run(3001, 0xFF);
  for (std::size_t n : {7u, 8u, 9u, 1024u, 1025u, 3001u}) {
    EXPECT_EQ(vorn::runningSum(std::span(run).first(n), 0x11), static_cast<std::uint8_t>(0x11 - n)) << n;
  }
}

}  // namespace
