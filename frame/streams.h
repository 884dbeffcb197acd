#pragma once
// The streams as a tool uses them: each call opens, closes or reads what
// vornlib/streams.h does, or reports the fault and ends the run (console.h's
// fail). A named file opened here ends the run on a later fault too.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "vornlib/options.h"
#include "vornlib/streams.h"

namespace frame {

void openin(const char* name);
void openout();
void openoutf(const char* name);
void closeout();
std::unique_ptr<vorn::ByteInput> nfOpenIn(const char* name);
std::unique_ptr<vorn::ByteOutput> nfOpenOut(const char* name);
std::string readWholeFile(const char* name, std::size_t limit);
// Writes `bytes` as the whole of the named file, beside the current output.
void writeWholeFile(const char* name, std::string_view bytes);
// Ends the run, "PATH: is also an input; nothing written", when writing
// `path` would write into one of the run's inputs.
void refuseOutputThatIsInput(const char* path);

// Reads the options (vorn::readOptions) and returns the number of file
// arguments, or ends the run: after printing the usage or the version
// (status 0), reporting a rejected option (2) or a handler's fault (1).
int analoptionEx(const vorn::OptionDescriptor& descriptor);

}  // namespace frame
