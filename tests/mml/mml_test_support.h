#pragma once
// Compiles MML in-process and shows the events in a readable form.
#include <string>
#include <string_view>
#include <vector>

#include "mml/compiler.h"
#include "mml/event_store.h"
#include "mml/source_text.h"

namespace mmltest {

struct Compiled {
  bool ok = false;
  mml::CompileFailure failure;
  std::vector<mml::CompileWarning> warnings;
  std::vector<mml::EventRecord> events;  // ordered by time
  std::string listing;                   // only when asked for
  mml::SourceText source;
  mml::EventStore store;
};

// The text as one file named "song.mml"; with `listing` the listing is kept.
Compiled compile(std::string_view text, bool listing = false, mml::CompileSettings settings = {});

// "384:90 3C 00", "480:end" for a block end marker, "0:tempo 120", and with
// the store a SysEx event as its status and data: "0:F0 41 10 F7".
std::string show(const mml::EventRecord& event);
std::string show(const mml::EventRecord& event, const mml::EventStore& store);
std::vector<std::string> show(const std::vector<mml::EventRecord>& events);
// The ordered events of `text`, which must compile ("error: ..." otherwise).
std::vector<std::string> events(std::string_view text, mml::CompileSettings settings = {});
// The events other than block end markers.
std::vector<std::string> messages(std::string_view text, mml::CompileSettings settings = {});
// The listing `text` gives, with the error line if it fails.
std::string listingOf(std::string_view text, mml::CompileSettings settings = {});
// The note-ons and note-offs only, as "on 0 60 64" and "off 384 60".
std::vector<std::string> notes(std::string_view text);
// The message of the error `text` gives ("" when it compiles).
std::string errorOf(std::string_view text);

// The bytes the writers give for the compiled text (OSTRA, or DORNA with a step length).
std::string ostraOf(std::string_view text);
std::string dornaOf(std::string_view text, double stepInterval = 8.0);

}  // namespace mmltest
