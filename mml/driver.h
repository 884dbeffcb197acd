#pragma once
// The compiler driver: what the options set, the compilation with its
// listing, and the events written in the form the options name. It gives
// back what happened; zembra reports it and opens the listing
// (compilation_output.h opens the output and writes the events).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mml/compiler.h"
#include "mml/source_text.h"
#include "seq/ostra_to_smf.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace mml {

// What the events are written as: options Q (the default), P and S. The
// last of the three given is the one that counts.
enum class OutputForm { ostra, dorna, smf };

struct DriverSettings {
  std::uint32_t bankDelay = 0;  // option D
  std::string listingName;      // option L; empty: no listing
  bool listExpand = true;       // option X clears it
  OutputForm output = OutputForm::ostra;
  double stepInterval = 8.0;    // option T: milliseconds per DORNA step

  // The bodies of options D (a decimal, blanks before it allowed) and L (a
  // name, not empty); false refuses the text.
  bool readBankDelay(std::string_view text);
  bool readListingName(std::string_view text);
};

// Compiles the whole source on construction. The listing is kept in memory
// while compiling (after a compile error it ends with "←" and the message),
// for the caller to write at the end, after the error was shown, so that a
// listing that cannot be written never hides the error.
class Compilation {
 public:
  Compilation(const SourceText& srcBlock, const DriverSettings& settings);

  // False for a compile error (diagnostic()) or a break (interrupted()).
  bool compiled() const { return compiled_; }
  bool interrupted() const { return compiler_.interrupted(); }
  // "FILE:LINE:COL: warning: ...", in source order (also after an error, up to it).
  std::vector<std::string> warningLines() const;
  // The compile error as the user reads it: diagnostic.h's lines, then
  // "KORMAVE: syntax error", each ended by a line feed.
  std::string diagnostic() const;

  // Orders the events and, for a Standard MIDI File (the OSTRA sequence
  // converted, seq/ostra_to_smf.h), measures it: a tempo it cannot carry
  // is the fault, found before the output is opened. Fails for a break too.
  vorn::Status prepare();
  // Writes the events, prepared, to `out`. A break stops it; it is then
  // the output's fault.
  void write(vorn::ByteOutput& out);

  // The listing's bytes; null without option L.
  const std::string* listing();

 private:
  const SourceText& srcBlock_;
  DriverSettings settings_;
  std::unique_ptr<vorn::ByteOutput> listing_;
  Compiler compiler_;
  bool compiled_ = false;
  vorn::ByteOutput sequence_;  // the OSTRA sequence an SMF is made of
  std::optional<seq::SmfFromOstra> smf_;
};

}  // namespace mml
