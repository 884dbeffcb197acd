// GORBEL: wraps SysEx files into a Standard MIDI File that plays their
// messages one after the other. An argument ";n" is a pause of n ms.
// Nothing is written unless every input was read without error.
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "sysex/scan.h"
#include "sysex/smf_writer.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/run_inputs.h"

namespace {

constexpr std::string_view kBadInput = "入力データの形式が違います";
constexpr std::string_view kNoMemory = "メモリが足りません";

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

// The SMF being built; dropped whole when the run fails.
std::unique_ptr<sysex::SysexSmfBuilder> smf;
std::vector<std::uint8_t> message;
std::uint64_t messageStart = 0;  // of the message being read, in the current input

// Memory ran out (or the track would outgrow 32 bits) at the message being read.
[[noreturn]] void failMemory() {
  vorn::errBoxAt(frame::curInputName, kNoMemory, messageStart);
  vorn::conBreak();
}

void appendMessages() {
  vorn::ByteInput& in = vorn::getinhandle();
  struct Sink {
    vorn::ByteInput& in;
    void begin() {
      messageStart = in.offset() - 1;
      message.clear();
    }
    void data(std::uint8_t b) { message.push_back(b); }
    bool end() {
      message.push_back(sysex::kSysExEnd);
      if (!smf->addMessage(message)) failMemory();
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
    vorn::errBoxAt(frame::curInputName, kBadInput, in.offset());
    vorn::conBreak();
  }
}

int fileProc(const char* name) {
  if (name && name[0] == ';') {
    // Whatever does not read as a number adds nothing.
    std::string_view rest(name + 1);
    vorn::NumberResult pause = vorn::Strz2Dword(rest);
    smf->addPause(pause.ok() ? pause.value : 0);
    return 1;
  }
  return frame::withInput(name, appendMessages);
}

void writeSmf() {
  std::vector<std::uint8_t> head = smf->fileHead();
  vorn::openout();
  vorn::OutNByte(head);
  vorn::OutNByte(smf->track());
  vorn::closeout();
}

// The recovery point: an error or a break drops what was built, writes
// nothing, and ends the run with status 1 (130 after a break).
int mainProc() {
  try {
    int files = vorn::analoptionEx(descriptor);
    // Refused before the inputs are read, though nothing is written before the end anyway.
    vorn::refuseOutputThatIsInput(vorn::outputName());
    smf = std::make_unique<sysex::SysexSmfBuilder>(bpm, gapMs);
    frame::forEachInput(descriptor, files, fileProc);
    if (!smf->finish()) {
      vorn::errBox(kNoMemory);
      vorn::conBreak();
    }
    message = {};
    writeSmf();
  } catch (const vorn::RunEnded& ended) {
    smf.reset();
    message = {};
    if (ended.status != vorn::kExitError) throw;
    return 0;
  } catch (const std::bad_alloc&) {
    smf.reset();
    message = {};
    vorn::errBox(kNoMemory);
    return 0;
  }
  smf.reset();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("GORBEL 1.00", argc, argv, mainProc); }
