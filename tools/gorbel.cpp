// GORBEL: wraps SysEx files into a Standard MIDI File that plays their
// messages one after the other. An argument ";n" is a pause of n ms.
// Nothing is written unless every input was read without error.
//
// The inputs are read twice, in constant memory: the first pass checks
// every message and measures the track, whose length goes before its
// events; the second writes the file. What a pipe gave is kept in a
// temporary file between the two.
#include <cerrno>
#include <cerrno>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "seq/strict_input.h"
#include "sysex/scan.h"
#include "sysex/smf_writer.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/run_inputs.h"

namespace {

constexpr std::string_view kBadInput = "入力データの形式が違います";
constexpr std::string_view kNoMemory = "メモリが足りません";
// A message up to this size is held while it is read; a longer one is read
// again to be written.
constexpr std::size_t kHeldMessage = 1 << 20;
constexpr std::size_t kRereadBuffer = 1 << 16;

std::uint32_t gapMs = 0;
std::uint32_t bpm = 120;

bool numberIn(std::string_view text, std::uint32_t low, std::uint32_t high, std::uint32_t& out) {
  std::uint32_t value;
  if (!vorn::parseWholeDecimal(text, value) || value < low || value > high) return false;
  out = value;
  return true;
}

const vorn::OptionEntry options[] = {
    {'D', [](std::string_view t) { return numberIn(t, 0, 19999, gapMs); },
     "-Dn     extra gap after each message, 0..19999 ms (default 0)", "a whole number of milliseconds from 0 to 19999"},
    {'T', [](std::string_view t) { return numberIn(t, 40, 249, bpm); },
     "-Tn     tempo, 40..249 quarter notes a minute (default 120)",
     "a whole number of quarter notes a minute from 40 to 249"},
    {'O', vorn::option_o, "-Ofile  write the SMF there (default standard output)", "a file name"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx | ;ms]...",
                                        "Wraps SysEx files into a Standard MIDI File; \";ms\" adds a pause."};

// The SMF of the pass being run; dropped whole when the run fails.
std::unique_ptr<sysex::SysexSmfBuilder> smf;
std::vector<std::uint8_t> message;
const char* readingName = nullptr;  // of the input being read
std::uint64_t messageStart = 0;     // of the message being read, in that input
// The inputs that are no files, in the order the first pass read them, for
// the second; a file is opened again by its name (nullptr in its place).
std::vector<std::unique_ptr<vorn::ByteInput>> kept;
std::size_t inputsRead = 0;
bool secondPass = false;

// Memory ran out (or the track would outgrow 32 bits) at the message being read.
[[noreturn]] void failMemory() {
  frame::reportAt(readingName, kNoMemory, messageStart);
  frame::conBreak();
}

// Writes a message too long to be held, read again from `in`: its `length`
// bytes after the F0 at messageStart.
void writeAgain(const vorn::ByteInput& in, std::uint64_t length) {
  vorn::ByteInput again;
  if (!in.reopenAt(again, messageStart + 1, kRereadBuffer) || seq::copyBytes(again, smf->output(), length) < length) {
    frame::reportAt(readingName, kBadInput, messageStart);
    frame::conBreak();
  }
}

void appendMessages(vorn::ByteInput& in) {
  struct Sink {
    vorn::ByteInput& in;
    std::uint64_t length = 0;  // after the F0
    bool holding = true;
    void begin() {
      messageStart = in.offset() - 1;
      message.clear();
      length = 0;
      holding = true;
    }
    void data(std::span<const std::uint8_t> run) {
      length += run.size();
      if (!holding) return;
      if (message.size() + run.size() <= kHeldMessage) {
        message.insert(message.end(), run.begin(), run.end());
      } else {
        holding = false;
        message.clear();
      }
    }
    void data(std::uint8_t b) { data(std::span(&b, 1)); }
    bool end() {
      ++length;
      if (holding) {
        message.push_back(sysex::kSysExEnd);
        if (!smf->addMessage(message)) failMemory();
      } else {
        if (!smf->addMessageHead(length)) failMemory();
        writeAgain(in, length);
      }
      return true;
    }
  } sink{in};
  sysex::ScanResult result = sysex::ScanResult::Done;
  try {
    result = sysex::scanSysexFile(in, sink);
  } catch (const std::bad_alloc&) {
    failMemory();
  }
  if (result == sysex::ScanResult::Malformed) {
    frame::reportAt(readingName, kBadInput, in.offset());
    frame::conBreak();
  }
}

// The input `name` for this pass: opened by name, or, in the second pass,
// what the first kept of an input that is no file.
std::unique_ptr<vorn::ByteInput> openInput(const char* name) {
  std::size_t index = inputsRead++;
  if (secondPass && kept[index]) {
    auto in = std::make_unique<vorn::ByteInput>();
    kept[index]->reopenAt(*in, 0, kRereadBuffer);
    return in;
  }
  std::unique_ptr<vorn::ByteInput> in = frame::nfOpenIn(name);
  if (!in->makeRereadable()) {
    frame::reportCodeFor(static_cast<std::uint32_t>(errno), name);
    frame::conBreak();
  }
  return in;
}

int fileProc(const char* name) {
  if (name && name[0] == ';') {
    // Whatever does not read as a number adds nothing.
    std::string_view rest(name + 1);
    vorn::NumberResult pause = vorn::Strz2Dword(rest);
    smf->addPause(pause.ok() ? pause.value : 0);
    return 1;
  }
  readingName = name;
  std::unique_ptr<vorn::ByteInput> in = openInput(name);
  appendMessages(*in);
  // A named file is opened again for the second pass; standard input and
  // a pipe's copy wait for it.
  if (!secondPass) kept.push_back(name && in->isRegularFile() ? nullptr : std::move(in));
  return 1;
}

// One pass over every input, the track written to `out`; returns its length.
std::uint64_t runPass(int files, vorn::ByteOutput& out) {
  inputsRead = 0;
  smf = std::make_unique<sysex::SysexSmfBuilder>(bpm, gapMs, out);
  frame::forEachInput(descriptor, files, fileProc);
  if (!smf->finish()) {
    frame::reportError(kNoMemory);
    frame::conBreak();
  }
  return smf->trackLength();
}

void dropAll() {
  smf.reset();
  message = {};
  kept.clear();
}

// Whatever ends the run (an error, with status 1; a break, 130) drops what
// was built first; nothing was written.
struct DropAllOnExit {
  ~DropAllOnExit() { dropAll(); }
};

int mainProc() {
  DropAllOnExit dropOnExit;
  try {
    int files = frame::analoptionEx(descriptor);
    // Refused before the inputs are read, though nothing is written before the end anyway.
    frame::refuseOutputThatIsInput(vorn::outputName());
    vorn::ByteOutput measured;
    measured.openCounting();
    std::uint64_t length = runPass(files, measured);
    secondPass = true;
    frame::openout();
    seq::writeSmfHead(vorn::getouthandle(), sysex::kSmfTicksPerQuarter, static_cast<std::uint32_t>(length));
    if (runPass(files, vorn::getouthandle()) != length) {
      frame::reportError("an input changed while it was read; the file written is not whole");
      frame::conBreak();
    }
    frame::closeout();
  } catch (const std::bad_alloc&) {
    dropAll();  // first, to have the memory for the report
    frame::reportError(kNoMemory);
    return 0;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("GORBEL 1.00", argc, argv, mainProc); }
