#pragma once
// The tool frame every tool stands on: start a tool, walk its file
// arguments, and end a run on an input error.
//
// A tool's main reads:
//   int main(int argc, char** argv) { return frame::runTool("FENDIX 1.00", argc, argv, mainProc); }
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "frame/console.h"
#include "frame/streams.h"
#include "vornlib/fault.h"
#include "vornlib/options.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace frame {

inline int runTool(std::string_view banner, int argc, char** argv, MainProc mainProc) {
  return runMainProc(banner, argc, argv, mainProc);
}

// A fault of the current input (vorn::getinhandle()): reports it naming the
// input, "FILE: text (at byte offset N)", and ends the run. `text` says what
// was found ("" = the code's own text); `offset` is the offset of the byte
// that is wrong (by default, for malformed input, where reading stopped).
// A fault that names its input is reported about that one; a break's ends
// the run as the break does.
[[noreturn]] void failInput(std::uint32_t code, std::string_view text = {},
                            std::optional<std::uint64_t> offset = std::nullopt);
[[noreturn]] void failInput(const vorn::Fault& fault);
// The "or end" of a call that reads the current input: as failInput.
inline void orFailInput(const vorn::Status& status) {
  if (!status) failInput(status.fault());
}

// The common run: parse options, open the output, call `fileProc` for each
// file argument (or once with nullptr for standard input), close the output.
// `afterOptions`, when given, runs once the options are known and before
// the output opens (to build what the options describe). Returns 1.
int standardMain(const vorn::OptionDescriptor& descriptor, const vorn::FileProc& fileProc,
                 const std::function<void()>& afterOptions = {});

// The file walk: `fileProc` for each of the `files` file arguments, or once
// with nullptr (standard input) when there are none.
void forEachInput(const vorn::OptionDescriptor& descriptor, int files, const vorn::FileProc& fileProc);

// A standard file procedure's frame: opens the input as the current one,
// runs `process`, closes the input.
template <typename Process>
int withInput(const char* name, Process&& process) {
  openin(name);
  process();
  vorn::closein();
  return 1;
}

// Option handlers shared by the tools.
// A flag: sets `bit` in `flags`; only a bare letter is accepted.
vorn::OptionHandler flagOption(std::uint32_t& flags, std::uint32_t bit);
// A flag that runs `set` when given; only a bare letter is accepted.
vorn::OptionHandler flagOption(std::function<void()> set);
// A step length: a non-negative decimal with optional fraction, 0.1 <= value < 1000.
vorn::OptionHandler stepLengthOption(double& value);
inline constexpr std::string_view kStepLengthWants = "a step length from 0.1 up to (not including) 1000";

}  // namespace frame
