// teskar's serial output into a pseudo-terminal that ZAMO_COMn names: the
// bytes each record writes, the line settings and speed read back from the
// terminal, the port's name rules, and the silence after a break.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "break_silence.h"
#include "fake_midi_tool.h"
#include "midiio/serial_port.h"
#include "midiio/serial_speed.h"
#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

// A pseudo-terminal pair; the test holds the terminal side open too, so that
// its settings outlive teskar's close and can be read back.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    path_ = ptsname(master_);
    terminal_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PseudoTerminal() {
    if (terminal_ >= 0) close(terminal_);
    if (master_ >= 0) close(master_);
  }
  bool ok() const { return terminal_ >= 0; }
  const std::string& path() const { return path_; }
  int terminal() const { return terminal_; }
  // What has arrived at the master side.
  std::string drain() const {
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(master_, buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
    return got;
  }

 private:
  int master_ = -1;
  int terminal_ = -1;
  std::string path_;
};

class TeskarSerial : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    setenv("ZAMO_COM3", pty.path().c_str(), 1);
    // Serial output needs no MIDI system (a value no system takes would fail any
    // connection): the clock is the system's own, in real time.
    setenv("ZAMO_MIDI_API", "none", 1);
  }
  std::string written(const std::vector<std::string>& args, const std::string& input) {
    pty.drain();
    last = runTool("teskar", args, input);
    return hex(pty.drain());
  }

  PseudoTerminal pty;
  TempDir dir;
  zamotest::ToolRun last;
};

TEST_F(TeskarSerial, BytesEachRecordWrites) {
  const std::string gmOn = unhex("00 F0 05 00 00 00 7E 7F 09 01 F7");
  const struct {
    std::vector<std::string> args;
    std::string input;
    const char* bytes;
  } cases[] = {
      {{}, unhex("00 FF 00 00"), ""},
      // A program change is two bytes; start, clock and the undefined statuses are not written.
      {{}, unhex("00 C0 05 00 00 FA 00 00 00 F8 00 00 00 FE 00 00 00 D2 33 44 00 FF 00 00"), "C0 05 D2 33"},
      {{}, unhex("00 F2 01 02 00 F3 05 06 00 F6 01 01 00 F1 01 00 00 E0 00 40 00 FF 00 00"), "F2 01 02 F3 05 F6 E0 00 40"},
      // A note left sounding gets its note-off at the close.
      {{}, unhex("00 90 3C 40 00 B1 40 7F 00 FF 00 00"), "90 3C 40 B1 40 7F 80 3C 00 B1 40 00"},
      {{}, gmOn + unhex("00 FF 00 00"), ""},
      {{"-X"}, gmOn + unhex("00 F7 02 00 00 00 43 F7 00 FF 00 00"), "F0 7E 7F 09 01 F7 43 F7"},
      {{"-X", "-D64,0"}, gmOn + unhex("00 FF 00 00"), "F0 7E 7F 09 01 F7"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"-C3"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(written(args, c.input), c.bytes) << hex(c.input);
    EXPECT_EQ(last.status, 0) << last.err;
  }
}

TEST_F(TeskarSerial, LineSettingsAndEverySpeed) {
  const struct {
    const char* option;
    std::uint32_t baud;
  } cases[] = {
      {nullptr, 38400}, {"-B110", 110},       {"-B300", 300},       {"-B600", 600},       {"-B1200", 1200},
      {"-B2400", 2400}, {"-B4800", 4800},     {"-B9600", 9600},     {"-B14400", 14400},   {"-B19200", 19200},
      {"-B38400", 38400}, {"-B56000", 56000}, {"-B57600", 57600},   {"-B115200", 115200}, {"-B128000", 128000},
      {"-B256000", 256000}, {"-B31250", 31250},
  };
  for (const auto& c : cases) {
    // Start from a cooked line at another speed, so every setting is seen to change.
    termios cooked{};
    ASSERT_EQ(tcgetattr(pty.terminal(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO;
    cooked.c_oflag |= OPOST;
    cooked.c_iflag |= IXON;
    cooked.c_cflag = (cooked.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    cfsetspeed(&cooked, B1800);
    ASSERT_EQ(tcsetattr(pty.terminal(), TCSANOW, &cooked), 0);

    std::vector<std::string> args{"-C3"};
    if (c.option) args.push_back(c.option);
    written(args, unhex("00 90 3C 40 00 80 3C 00 00 FF 00 00"));
    EXPECT_EQ(last.status, 0) << c.option << ": " << last.err;
    std::uint32_t baud = 0;
    EXPECT_TRUE(midiio::readSerialSpeed(pty.terminal(), baud));
    EXPECT_EQ(baud, c.baud) << (c.option ? c.option : "default");
    termios line{};
    ASSERT_EQ(tcgetattr(pty.terminal(), &line), 0);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
  }
}

TEST_F(TeskarSerial, PortNames) {
  EXPECT_EQ(midiio::serialDevicePath(3), pty.path());
  const struct {
    int port;
    const char* variable;  // value of ZAMO_COMn; nullptr: unset
    const char* path;
  } cases[] = {
      {1, nullptr, "/dev/ttyS0"}, {9, nullptr, "/dev/ttyS8"},   {10, nullptr, "/dev/ttyS9"},
      {127, nullptr, "/dev/ttyS126"}, {1, "", "/dev/ttyS0"},    {12, "/dev/ttyUSB0", "/dev/ttyUSB0"},
  };
  for (const auto& c : cases) {
    const std::string name = "ZAMO_COM" + std::to_string(c.port);
    if (c.variable) setenv(name.c_str(), c.variable, 1);
    else unsetenv(name.c_str());
    EXPECT_EQ(midiio::serialDevicePath(c.port), c.path) << name;
    unsetenv(name.c_str());
  }
}

TEST_F(TeskarSerial, SerialWinsOverMidiAndFailuresNameThePort) {
  // With C and E, E must still name a device, but no MIDI output is opened.
  setenv("ZAMO_MIDI_API", "fake", 1);
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "Synth A:Port 1", 1);
  setenv("ZAMO_FAKE_MIDI_LOG", dir.file("midi.log").c_str(), 1);
  written({"-C3", "-ESynth A:Port 1"}, unhex("00 90 3C 40 00 FF 00 00"));
  EXPECT_EQ(last.status, 0) << last.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("midi.log")));
  EXPECT_EQ(runTool("teskar", {"-C3", "-ENothing"}, unhex("00 FF 00 00")).status, 2);

  setenv("ZAMO_COM5", dir.file("missing").c_str(), 1);
  const auto run = runTool("teskar", {"-C5"}, unhex("00 FF 00 00"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "teskar: No such file or directory: serial port COM5 (" + dir.file("missing").string() + ")\n");
  setenv("ZAMO_COM5", dir.write("plain", "").c_str(), 1);
  const auto notTerminal = runTool("teskar", {"-C5"}, unhex("00 FF 00 00"));
  EXPECT_EQ(notTerminal.status, 1);
  EXPECT_NE(notTerminal.err.find("serial port COM5"), std::string::npos) << notTerminal.err;
}

TEST_F(TeskarSerial, BreakSilencesEveryChannel) {
  const std::string a = dir.write("a.dorna", unhex("00 90 3C 40 00 FF 00 00"));
  pty.drain();
  std::string got;
  const int status = zamotest::runUntilSignalled(zamotest::toolPath("teskar"), {"-C3", a, "-"}, SIGINT, [&] {
    got += pty.drain();
    return got.size() >= 3;
  });
  EXPECT_EQ(status, 130);
  got += pty.drain();
  std::string expected = "90 3C 40";
  for (const std::string& message : zamotest::breakSilence()) expected += " " + message;
  EXPECT_EQ(hex(got), expected);
}

}  // namespace
