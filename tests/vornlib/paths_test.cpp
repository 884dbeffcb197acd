#include <gtest/gtest.h>

#include "vornlib/paths.h"

using namespace vorn;

TEST(Paths, JoinPutsOneSlashBetween) {
  EXPECT_EQ(JstrzPathConc("out", "a.syx").value(), "out/a.syx");
  EXPECT_EQ(JstrzPathConc("out/", "a.syx").value(), "out/a.syx");
  EXPECT_EQ(JstrzPathConc("", "a.syx").value(), "a.syx");
}

TEST(Paths, JoinRefusesPathsOf260BytesOrMore) {
  std::string dir(254, 'd');  // 254 + "/" + 5 = 260
  EXPECT_FALSE(JstrzPathConc(dir, "a.syx").has_value());
  EXPECT_TRUE(JstrzPathConc(dir, "a.sy").has_value());
}

TEST(Paths, BaseNames) {
  EXPECT_EQ(baseName("dir/sub/song.mid"), "song.mid");
  EXPECT_EQ(baseName("song.mid"), "song.mid");
  EXPECT_EQ(baseNameWithoutExtension("dir/song.tar.mid"), "song.tar");
  EXPECT_EQ(baseNameWithoutExtension("dir/.hidden"), ".hidden");
  EXPECT_EQ(baseNameWithoutExtension("dir.d/noext"), "noext");
}
