#pragma once
// Runs a sending tool while all four virtual raw ports are read, and checks
// that `expected` came out of `device` whole and nothing out of the others.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "raw_midi_reader.h"
#include "run_tool.h"

namespace alsavm {

inline void expectOnlyPortGets(const std::string& tool, const std::vector<std::string>& args, int device,
                               const std::string& expected) {
  std::vector<std::unique_ptr<RawMidiReader>> raw;
  for (int d = 0; d < 4; ++d) raw.push_back(std::make_unique<RawMidiReader>(d));
  const auto run = zamotest::runTool(tool, args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string got = raw[static_cast<std::size_t>(device)]->awaitBytes(expected.size());
  EXPECT_TRUE(got == expected) << describeDifference(got, expected);
  for (int d = 0; d < 4; ++d) {
    EXPECT_EQ(raw[static_cast<std::size_t>(d)]->overruns(), 0u) << d;
    if (d != device) {
      EXPECT_EQ(raw[static_cast<std::size_t>(d)]->bytes(), "") << d;
    }
  }
}

}  // namespace alsavm
