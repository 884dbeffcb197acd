// System Exclusive data: the three forms, elements, checksums and their
// restarts, "(" expression bytes, and the errors of the data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::messages;
using Lines = std::vector<std::string>;

namespace {

std::string sysex(const std::string& data) {
  Lines shown = messages("$0={" + data + "}");
  return shown.size() == 1 ? shown[0] : "unexpected: " + std::to_string(shown.size()) + " events";
}

TEST(MmlSysex, PlainDataIsSevenBitAndEndsWithF7) {
  EXPECT_EQ(sysex("=41 10 42 12 / 40 00 7F 00 R;"), "0:F0 41 10 42 12 40 00 7F 00 41 F7");
  EXPECT_EQ(sysex("=41;"), "0:F0 41 F7");
  EXPECT_EQ(sysex("=F0;"), "0:F0 70 F7");                 // masked
  EXPECT_EQ(sysex("=7e7f 09 01;"), "0:F0 7F 09 01 F7");    // a number takes all its digits
  EXPECT_EQ(sysex("=&65 &200;"), "0:F0 41 48 F7");
  EXPECT_EQ(sysex("=41/*comment*/42 // to the line end\n 43;"), "0:F0 41 42 43 F7");
  EXPECT_EQ(sysex("r =41;"), "480:F0 41 F7");
}

TEST(MmlSysex, BangAndHashKeepEightBitsAndAddNothing) {
  EXPECT_EQ(sysex("=!F0 41 F7;"), "0:F0 F0 41 F7");
  EXPECT_EQ(sysex("=#F0 41;"), "0:F7 F0 41");
  EXPECT_EQ(sysex("=!&200;"), "0:F0 C8");
  // Only directly after "=": with a blank the "!" is read as a hex number.
  EXPECT_EQ(errorOf("$0={= !41;}"), "16進数がない");
}

TEST(MmlSysex, ChecksumsOverTheBytesSinceTheLastRestart) {
  // 40 00 7F 00: sum 0xBF.
  EXPECT_EQ(sysex("=40 00 7F 00 R;"), "0:F0 40 00 7F 00 41 F7");
  EXPECT_EQ(sysex("=40 00 7F 00 Y;"), "0:F0 40 00 7F 00 3F F7");
  EXPECT_EQ(sysex("=40 00 7F 00 K;"), "0:F0 40 00 7F 00 64 F7");  // (0xBF + 0x25) & 0x7F
  EXPECT_EQ(sysex("=k;"), "0:F0 25 F7");
  EXPECT_EQ(sysex("=!k;"), "0:F0 25");
  // A checksum starts the sum over; so does "/".
  EXPECT_EQ(sysex("=01 02 y 03 y;"), "0:F0 01 02 03 03 03 F7");
  EXPECT_EQ(sysex("=10 / 01 y;"), "0:F0 10 01 01 F7");
  // In the eight-bit forms the bytes count with all their bits.
  EXPECT_EQ(sysex("=!80 01 y;"), "0:F0 80 01 01");
  EXPECT_EQ(sysex("=80 01 y;"), "0:F0 00 01 01 F7");
}

TEST(MmlSysex, ExpressionBytesJoinTheDataAndTheSum) {
  EXPECT_EQ(sysex("=41 10 42 12 / (b7(0x10007F, 3)) 00 R;"), "0:F0 41 10 42 12 40 00 7F 00 41 F7");
  EXPECT_EQ(sysex("=(x\"01 02\"; x\"03\") y;"), "0:F0 03 03 F7");
  EXPECT_EQ(sysex("=(\"\") 01;"), "0:F0 01 F7");
  // Expression bytes are taken as they are, also in the plain form.
  EXPECT_EQ(sysex("=(x\"FF\") 01 y;"), "0:F0 FF 01 00 F7");
  // They compute bytes only: the voice's names are unknown there.
  EXPECT_EQ(errorOf("$0={=(bytes(tick));}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={=(1);}"), "KELEXPR式の誤り");
  EXPECT_EQ(errorOf("$0={=(x\"01\";}"), "KELEXPR式の誤り");
  // Local variables live for the whole compilation.
  EXPECT_EQ(sysex("w_(dev = 16; 0) =41 (bytes(dev)) 42;"), "0:F0 41 10 42 F7");
}

TEST(MmlSysex, TimeOfTheEventAndEveryMissingHexDigit) {
  EXPECT_EQ(messages("$0={c =41; j10 =42;}"), (Lines{"0:90 3C 40", "384:90 3C 00", "480:F0 41 F7", "490:F0 42 F7"}));
  for (const char* bad : {"=41 ;", "=;", "=41", "=41 G;", "=41 -1;", "=$41;"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(errorOf(std::string("$0={") + bad + "}"), "16進数がない");
  }
  EXPECT_EQ(errorOf("$0={=&;}"), "数字がない");
  EXPECT_EQ(errorOf("$0={=100000000;}"), "数値が大きすぎます。");
}

}  // namespace
