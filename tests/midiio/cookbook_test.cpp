// Every command of docs/cookbook.md, in order, in one scratch folder, against
// an instrument on JACK that answers as the cookbook says. A run spoiled by
// a late cycle of the server is repeated.
#include <gtest/gtest.h>

#include <iostream>

#include "receive_jack_support.h"
#include "shown_commands.h"

namespace {

using zamotest::unhex;

// The complement sum that Roland and Yamaha checksums use.
char checksum(const std::string& covered) {
  unsigned sum = 0;
  for (char c : covered) sum += static_cast<unsigned char>(c);
  return static_cast<char>((128 - sum % 128) % 128);
}

class Cookbook : public zamotest::InstrumentJackFixture {
 protected:
  void SetUp() override {
    InstrumentJackFixture::SetUp();
    instrument->answer(unhex("F0 7E 7F 06 01 F7"), {unhex("F0 7E 10 06 02 41 19 01 00 00 00 01 00 00 F7")});
    const std::string voice(155, 0x21);
    instrument->answer(unhex("F0 43 20 00 F7"), {unhex("F0 43 00 00 01 1B") + voice + checksum(voice) + "\xF7"});
    for (char block = 0; block < 4; ++block) {
      const std::string address = {0x40, block, 0x00}, size = unhex("00 00 10"), data(16, static_cast<char>(block + 3));
      instrument->answer(unhex("F0 41 10 42 11") + address + size + checksum(address + size) + "\xF7",
                         {unhex("F0 41 10 42 12") + address + data + checksum(address + data) + "\xF7"});
    }
    instrument->start();
  }
};

TEST_F(Cookbook, EveryRecipeRunsAsShown) {
  const docstest::Extraction shown =
      docstest::markdownCommands(zamotest::readFile(std::string(ZAMO_SOURCE_DIR) + "/docs/cookbook.md"), "cookbook.md");
  ASSERT_TRUE(shown.faults.empty() && shown.commands.size() >= 10);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::size_t logSize = server->log().size();
    zamotest::TempDir scratch;
    std::vector<std::string> failures;
    for (const docstest::ShownCommand& command : shown.commands) {
      const zamotest::ToolRun run = zamotest::runProgram(
          "/bin/bash", {"-o", "pipefail", "-c", "export ZAMO_MIDI_API=jack PATH='" ZAMO_BIN_DIR "':\"$PATH\"\n" + command.text},
          {}, scratch.path());
      if (run.status != 0 || !docstest::givesStatedOutput(command.text, run.out)) {
        failures.push_back("cookbook.md:" + std::to_string(command.line) + ": " + command.text + "\nstatus " +
                           std::to_string(run.status) + ", output:\n" + run.out + run.err);
      }
    }
    if (failures.empty()) return;
    if (!server->reportedLateCycles(logSize)) {
      for (const std::string& f : failures) ADD_FAILURE() << f;
      return;
    }
    std::cout << "[ retry   ] a late cycle spoiled the run; repeating it\n";
  }
  FAIL() << "every run saw late cycles";
}

}  // namespace
