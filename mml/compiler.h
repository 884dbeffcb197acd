#pragma once
// The MML compiler: compiles the joined source (track blocks of notes,
// rests, chords and settings) into the event store.
//
//   mml::Compiler compiler(source, settings, listing);
//   if (!compiler.compileSource()) report(compiler.failure());
//   mml::orderEvents(compiler.store().trackList);
//
// One Compiler compiles one source once; all of its state lives in it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mml/codes.h"
#include "mml/event_store.h"
#include "mml/reader.h"
#include "mml/source_text.h"
#include "mml/voice.h"
#include "vornlib/streams.h"

namespace mml {

struct CompileSettings {
  std::uint32_t bankDelay = 0;          // option D: ticks between the messages of command S
  bool listExpand = true;               // option X clears it: expansions stay out of the listing
  std::size_t maxEvents = 1u << 26;     // events the store may hold
  unsigned maxDepth = 256;              // nesting of blocks and of arguments inside arguments
};

struct CompileFailure {
  std::string message;
  std::size_t position = 0;  // byte offset in the joined source
};

class Compiler {
 public:
  // `listingFile` may be null (no listing).
  Compiler(const SourceText& srcBlock, CompileSettings settings, vorn::ByteOutput* listingFile);

  // Compiles the whole source. False on a compile error: failure() tells
  // what and where, and the listing ends with "←", the message and a line end.
  bool compileSource();
  const CompileFailure& failure() const { return failure_; }
  EventStore& store() { return store_; }

 private:
  friend class DepthGuard;

  // Top level and blocks (compiler.cpp).
  void compileTopLevel();
  void parseTrack();
  std::int32_t parseBlock(std::int32_t channel, std::int32_t start);
  void parseCommands(VoiceContext& voice);
  // The commands a chord also takes; false when `code` is none of them.
  bool settingCommand(Code code, VoiceContext& voice);
  // Commands of the parts still to come stop the compilation plainly.
  [[noreturn]] void notAvailableYet(Code code);
  [[noreturn]] void notAvailableYet(Code code, std::size_t at);

  // Notes, rests, lengths and settings (notes.cpp).
  void commandNote(VoiceContext& voice, std::int32_t semitone);
  void commandRest(VoiceContext& voice);
  std::int32_t readNoteNumber(const VoiceContext& voice, std::int32_t semitone);
  std::int32_t readNoteLength(VoiceContext& voice);
  std::int32_t applyDots(std::int32_t length);
  void commandLength(VoiceContext& voice);
  void commandTicks(VoiceContext& voice);
  void commandOctave(VoiceContext& voice);
  void commandTranspose(VoiceContext& voice);
  void commandVelocity(VoiceContext& voice);
  void commandGate(VoiceContext& voice, std::int32_t mode, std::int32_t standard);
  void flushTie(VoiceContext& voice);
  void recordNote(const VoiceContext& voice, std::int32_t start, std::int32_t note, std::int32_t velocity,
                  std::int32_t gate);

  // Chords and arpeggios (chord.cpp).
  void parseChord(VoiceContext& voice);
  void chordNote(VoiceContext& voice, std::int32_t semitone, std::int32_t chordLength, std::int32_t step);

  // Numeric arguments (arguments.cpp).
  struct Number {
    std::int32_t value;
    std::size_t at;  // where the argument starts, for errors about its value
  };
  Number readNumber();
  Number readSignedNumber();
  Number readArgument(bool isSigned);
  std::int32_t readDecimal(Code first, bool isSigned);
  std::int32_t readHex();
  std::int32_t readNoteLiteral();
  std::int32_t readLengthLiteral(std::size_t at);
  // An argument when the next code can start one, else `standard`.
  std::int32_t optionalNumber(std::int32_t standard);
  std::int32_t optionalSignedNumber(std::int32_t standard);
  // 1920 / n for a length written as a note value; n <= 0 is an error.
  std::int32_t noteValueLength(Number n);

  // The event store, behind its size limit.
  void addEvent(std::int32_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second);

  Reader reader_;
  EventStore store_;
  CompileSettings settings_;
  VoiceContext* voice_ = nullptr;  // the voice of the innermost block being compiled
  unsigned depth_ = 0;
  CompileFailure failure_;
};

// Counts one level of nesting for its lifetime; too deep is a compile error.
class DepthGuard {
 public:
  explicit DepthGuard(Compiler& compiler);
  ~DepthGuard() { --compiler_.depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  Compiler& compiler_;
};

}  // namespace mml
