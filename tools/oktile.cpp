// OKTILE: extracts the System Exclusive messages of Standard MIDI Files into
// SysEx files, merging the tracks' messages in time order; all inputs into
// one output, or with -E one ".syx" file per input.
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "frame/frame.h"
#include "sysex/smf_reader.h"
#include "vornlib/errors.h"
#include "vornlib/paths.h"

namespace {

bool perFileOutput = false;
std::string outputDir;

bool optionE(std::string_view text) {
  perFileOutput = true;
  outputDir = std::string(text);
  return true;
}

const vorn::OptionEntry options[] = {
    {'O', vorn::option_o, "-Ofile  write the SysEx file there (default standard output)"},
    {'E', optionE, "-Edir   one output per input: dir/<input base name>.syx (empty dir: here)"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] file.mid...",
                                        "Extracts the SysEx messages of Standard MIDI Files into SysEx files."};


// File errors name the code's text, then the file in parentheses.
void reportFileError(std::uint32_t code, const char* name) {
  vorn::errBox(vorn::errorText(code) + "(" + vorn::inputDisplayName(name) + ")");
}

void reportChunkError(const sysex::SmfFileError& error, const char* name) {
  vorn::errBox(vorn::errorText(error.code) + "(" + vorn::inputDisplayName(name) + ") at byte offset " +
               std::to_string(error.offset));
}

sysex::ProblemReporter problemReporter(const char* name) {
  return [name](const sysex::SmfProblem& problem) {
    vorn::errBox(std::string(problem.text) + " (" + vorn::inputDisplayName(name) + ", track " + std::to_string(problem.track + 1) +
                 ", byte offset " + std::to_string(problem.offset) + ")");
  };
}

// Reads the header and track chunks; false when the file is to be skipped
// (the reason was reported).
bool readChunks(const char* name, sysex::SmfInfo& smf) {
  std::uint64_t size = sysex::kUnknownFileSize;
  if (name) {
    struct stat info {};
    if (::stat(name, &info) != 0) {
      reportFileError(static_cast<std::uint32_t>(errno), name);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      reportFileError(EISDIR, name);
      return false;
    }
    // A pipe or device has no size to check chunk lengths against.
    if (S_ISREG(info.st_mode)) size = static_cast<std::uint64_t>(info.st_size);
  }
  vorn::ByteInput in;
  if (!in.open(name)) {
    reportFileError(static_cast<std::uint32_t>(errno), name);
    return false;
  }
  try {
    if (sysex::SmfFileError error = sysex::readSmfChunks(in, size, smf)) {
      reportChunkError(error, name);
      return false;
    }
  } catch (const vorn::RunEnded& ended) {
    // A failed read was reported by the stream; only that file is lost.
    if (ended.status != vorn::kExitError) throw;
    return false;
  }
  return true;
}

int fileProc(const char* name) {
  frame::curInputName = name;
  sysex::SmfInfo smf;
  if (!readChunks(name, smf)) return 1;
  if (perFileOutput) {
    std::string base(name ? vorn::baseNameWithoutExtension(name) : "stdin");
    std::optional<std::string> path = vorn::JstrzPathConc(outputDir, base + ".syx");
    if (!path) {
      vorn::errBox("パス解析エラー (" + vorn::inputDisplayName(name) + ")");
      return 0;
    }
    vorn::openoutf(path->c_str());
  }
  sysex::ProblemReporter report = problemReporter(name);
  sysex::parseTracks(smf, report);
  sysex::writeMergedMessages(smf, vorn::getouthandle(), report);
  if (perFileOutput) vorn::closeout();
  return 1;
}

// No standard-input fallback: without file arguments the output stays empty.
int mainProc() {
  int files = vorn::analoptionEx(descriptor);
  if (!perFileOutput) vorn::openout();
  if (files > 0) vorn::analfileExec(descriptor, fileProc);
  if (!perFileOutput) vorn::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("OKTILE 1.00", argc, argv, mainProc); }
