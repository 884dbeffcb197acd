// Runs last: removes the virtual raw MIDI card, leaving the loopback ("Midi
// Through") as the only port, which is then the default after all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "run_tool.h"
#include "seq_client.h"

namespace {

TEST(LoopbackAlone, IsTheDefaultWhenItIsTheOnlyPort) {
  ASSERT_EQ(syscall(SYS_delete_module, "snd_virmidi", O_NONBLOCK), 0) << std::strerror(errno);
  unsetenv("ZAMO_MIDI_OUT");
  const auto list = zamotest::runTool("navlin", {});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "Midi Through:Midi Through Port-0\n");

  alsavm::SeqClient listener("listener");
  const int through = listener.findClient("Midi Through");
  ASSERT_GE(through, 0);
  listener.listenTo(through, 0, listener.addPort("in", SND_SEQ_PORT_CAP_WRITE));
  const auto run = zamotest::runTool("droska", {}, zamotest::unhex("F0 7E 7F 09 01 F7"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(listener.receivedTypes(2000), std::vector<int>{SND_SEQ_EVENT_SYSEX});
}

}  // namespace
