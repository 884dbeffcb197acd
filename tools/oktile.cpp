// OKTILE: extracts the System Exclusive messages of Standard MIDI Files into
// SysEx files, merging the tracks' messages in time order; all inputs into
// one output, or with -E one ".syx" file per input.
//
// A fault costs only its file (or track): it is reported and the next file
// is read; the status is 1 at the end.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <optional>
#include <string>

#include "frame/frame.h"
#include "sysex/smf_reader.h"
#include "sysex/written_files.h"
#include "vornlib/errors.h"
#include "vornlib/paths.h"
#include "vornlib/run_inputs.h"

namespace {

bool perFileOutput = false;
std::string outputDir;
sysex::WrittenFiles written;

bool optionE(std::string_view text) {
  perFileOutput = true;
  outputDir = std::string(text);
  return true;
}

const vorn::OptionEntry options[] = {
    {'O', vorn::option_o, "-Ofile  write the SysEx file there (default standard output)", "a file name"},
    {'E', optionE, "-Edir   one output per input: dir/<input base name>.syx (empty dir: here)",
     "a directory (any text; empty for the current one)"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.mid...]",
                                        "Extracts the SysEx messages of Standard MIDI Files into SysEx files."};

sysex::ProblemReporter problemReporter(const char* name) {
  return [name](const sysex::SmfProblem& problem) {
    frame::reportAt(name, "track " + std::to_string(problem.track + 1) + ": " + std::string(problem.text),
                   problem.offset);
  };
}

// Reads the header and walks the track chunks of `in`, which stays open
// for the tracks to be read again; false when the file is to be skipped
// (the reason was reported).
bool readChunks(const char* name, vorn::ByteInput& in, sysex::SmfInfo& smf) {
  std::uint64_t size = sysex::kUnknownFileSize;
  if (name) {
    struct stat info {};
    if (::stat(name, &info) != 0) {
      frame::reportAt(name, vorn::errorText(static_cast<std::uint32_t>(errno)));
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      frame::reportAt(name, vorn::errorText(EISDIR));
      return false;
    }
    // A pipe or device has no size to check chunk lengths against.
    if (S_ISREG(info.st_mode)) size = static_cast<std::uint64_t>(info.st_size);
  }
  // A pipe's bytes are kept in a temporary file, as the tracks are read
  // again side by side.
  if (!in.open(name) || !in.makeRereadable()) {
    frame::reportAt(name, vorn::errorText(static_cast<std::uint32_t>(errno)));
    return false;
  }
  sysex::SmfFileError error = sysex::readSmfChunks(in, size, smf);
  // A read that failed costs the file, whatever the reader made of it; a break ends the run.
  if (vorn::Status read = in.status(); !read) {
    if (vorn::isInterruption(read.fault())) frame::fail(read.fault());
    frame::report(read.fault());
    return false;
  }
  if (error && in.offset() == 0) {
    // An empty input is most often a failed leader in a pipe: the blame stays there.
    frame::reportAt(name, "no input");
    return false;
  }
  if (error) {
    frame::reportAt(name, error.found.empty() ? vorn::errorText(error.code) : error.found, error.offset);
    return false;
  }
  // The tracks are read again later: a fault then ends the run, as the current input's does.
  in.setFaultHandler(frame::endOnStreamFault);
  return true;
}

// Opens the per-file output `path` for input `name`. A file this run wrote
// already (two inputs of the same base name) is kept and the input skipped;
// so is an output that is one of the run's inputs.
bool openFileOutput(const std::string& path, const char* name) {
  std::string source = vorn::inputDisplayName(name);
  if (std::optional<std::string> first = written.writtenFor(path.c_str())) {
    frame::reportAt(path.c_str(), "already written in this run from " + *first + "; " + source + " skipped");
    return false;
  }
  if (vorn::Status checked = vorn::checkOutputIsNoInput(path.c_str()); !checked) {
    frame::reportError(checked.fault().text);
    return false;
  }
  if (!vorn::getouthandle().open(path.c_str())) {
    frame::reportAt(path.c_str(), vorn::errorText(static_cast<std::uint32_t>(errno)));
    return false;
  }
  written.record(path.c_str(), source);
  return true;
}

// Returns 0 (the walk ends) only when no output path can be made.
int fileProc(const char* name) {
  try {
    vorn::ByteInput in;
    sysex::SmfInfo smf;
    if (!readChunks(name, in, smf)) return 1;
    if (perFileOutput) {
      std::string base(name ? vorn::baseNameWithoutExtension(name) : "stdin");
      std::optional<std::string> path = vorn::JstrzPathConc(outputDir, base + ".syx");
      if (!path) {
        frame::reportAt(name, "パス解析エラー");
        return 0;
      }
      if (!openFileOutput(*path, name)) return 1;
    }
    sysex::ProblemReporter report = problemReporter(name);
    sysex::parseTracks(smf, report);
    sysex::writeMergedMessages(smf, vorn::getouthandle(), report);
  } catch (const std::bad_alloc&) {
    frame::reportAt(name, "out of memory");
  }
  // What was written for this file stays, whatever happened after it.
  if (perFileOutput) frame::closeout();
  return 1;
}

// Without file arguments standard input is read, as every tool does, unless
// it is a terminal: nobody types a Standard MIDI File.
int mainProc() {
  int files = frame::analoptionEx(descriptor);
  if (!perFileOutput) frame::openout();
  if (files > 0) {
    vorn::analfileExec(descriptor, fileProc);
  } else if (!::isatty(STDIN_FILENO)) {
    fileProc(nullptr);
  } else {
    frame::reportNote("no input files: name Standard MIDI Files, or pipe one in");
  }
  if (!perFileOutput) frame::closeout();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("OKTILE 1.00", argc, argv, mainProc); }
