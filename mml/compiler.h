#pragma once
// The MML compiler: compiles the joined source (track blocks, macro
// definitions and comments at the top level; notes, chords, settings, time
// commands, channel messages, SysEx, marks, macro calls and expansions in
// the blocks) into the event store.
//
//   mml::Compiler compiler(source, settings, listing);
//   if (!compiler.compileSource()) report(compiler.failure());
//   mml::orderEvents(compiler.store().trackList);
//
// One Compiler compiles one source once; all of its state lives in it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mml/codes.h"
#include "mml/event_store.h"
#include "mml/expression_host.h"
#include "mml/reader.h"
#include "mml/source_text.h"
#include "mml/voice.h"
#include "vornlib/depth_guard.h"
#include "vornlib/kel/kel.h"
#include "vornlib/streams.h"

namespace mml {

struct CompileSettings {
  std::uint32_t bankDelay = 0;          // option D: ticks between the messages of command S
  bool listExpand = true;               // option X clears it: expansions stay out of the listing
  std::size_t maxEvents = 1u << 26;     // events the store may hold
  std::size_t maxSysexBytes = 1u << 30; // SysEx data bytes the store may hold
  std::size_t maxDepth = 256;             // nesting of blocks and of arguments inside arguments
  std::size_t maxExpressions = 1u << 22;       // expressions evaluated in one compilation
  std::size_t maxExpandedBytes = 256u << 20;   // text all expansions together may produce
  kel::Limits expressionLimits;                // each evaluation's own limits
};

struct CompileFailure {
  std::string message;
  std::size_t position = 0;  // byte offset in the joined source
  std::string detail;        // the expression evaluator's reason, if it had one
  std::string expandedText;  // for an error inside an expansion: the text it produced,
  std::size_t expandedPosition = 0;  // and where in it
  std::string gloss;                 // the English meaning, when it says more than the message's own
  // The "{" of a track or macro block that an earlier input left open, when
  // the error lies in a later one: the likely cause.
  std::optional<std::size_t> openBlock;
};

// Something the compiler took as written that is most likely a mistake; the
// output is what the source says all the same.
struct CompileWarning {
  std::size_t position;  // byte offset in the joined source
  std::string text;      // "warning: ..."
  bool operator==(const CompileWarning&) const = default;
};

class Compiler {
 public:
  // `listingFile` may be null (no listing).
  Compiler(const SourceText& srcBlock, CompileSettings settings, vorn::ByteOutput* listingFile);

  // Compiles the whole source. False on a compile error: failure() tells
  // what and where, and the listing ends with "←", the message and a line end.
  // False too when a break stopped it (interrupted()).
  bool compileSource();
  bool interrupted() const { return interrupted_; }
  const CompileFailure& failure() const { return failure_; }
  // In source order; also after a compile error, up to it.
  const std::vector<CompileWarning>& warnings() const { return warnings_; }
  EventStore& store() { return store_; }

 private:

  // Top level and blocks (compiler.cpp).
  void compileTopLevel();
  void parseTrack();
  // "= {" of a track or macro definition; returns where the "{" is (also kept in openBlock_).
  std::size_t openBlockAfterEquals();
  std::int32_t parseBlock(std::int32_t channel, std::int32_t start);
  void parseCommands(VoiceContext& voice);
  // The commands a chord also takes; false when `code` is none of them.
  bool settingCommand(Code code, VoiceContext& voice);
  // After "/": a comment, or else (outside chords) set time by measure.
  bool skipComment();

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

  // Time: channel, offset, set time, measures, bar lines, parallel blocks (time.cpp).
  void commandChannel(VoiceContext& voice);
  void commandOffset(VoiceContext& voice);
  void commandSetTime(VoiceContext& voice);
  void commandMeasure(VoiceContext& voice);
  void commandBar(VoiceContext& voice);
  void parseParallel(VoiceContext& voice);
  void moveTo(VoiceContext& voice, std::int32_t time);

  // Channel messages and their ramps (channel_messages.cpp).
  struct RampTiming {
    std::int32_t duration;
    std::int32_t steps;
    std::int32_t start;
  };
  void commandTempo(VoiceContext& voice);
  void commandKeyPressure(VoiceContext& voice);
  void commandPitchBend(VoiceContext& voice);
  void commandControl(VoiceContext& voice);
  void commandProgram(VoiceContext& voice);
  void commandPressure(VoiceContext& voice);
  std::int32_t readKeyNote();
  void requireComma();
  RampTiming readRampTiming();
  template <typename Record>
  void addRamp(const VoiceContext& voice, std::int32_t from, std::int32_t to, const RampTiming& timing,
               std::int32_t low, std::int32_t high, Record record);
  void addPitchBend(const VoiceContext& voice, std::int32_t time, std::int32_t value);

  // System Exclusive data (sysex.cpp).
  void commandSysex(VoiceContext& voice);
  void putSysexByte(std::uint32_t byte, std::uint8_t& sum);

  // Macros (macros.cpp).
  void defineMacro();
  void callMacro(VoiceContext& voice);
  void expandMacro(std::size_t first, std::size_t count, std::int32_t time, std::int32_t channel, bool rechannel);

  // Marks and the measure check (marks.cpp).
  void commandMark(VoiceContext& voice);
  void commandMeasureCheck(const VoiceContext& voice);
  std::int32_t readMarkReference();

  // Expressions: "_" numbers, SysEx "(" bytes, "@(" and "@[" expansions (expressions.cpp).
  std::int32_t readExpressionNumber();
  void sysexExpression(std::uint8_t& sum);
  enum class Expression { Number, SysexBytes, SubBlock, InPlace };
  void expandText(VoiceContext& voice, Expression form, std::size_t at);
  // Evaluates the expression that starts at the reader's position, as
  // `form` reads it; what out() wrote goes to the listing.
  kel::Result<kel::Evaluated> evaluate(Expression form);

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

  // The event store, behind its size limits.
  void addEvent(std::int32_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second);
  void addRecord(const EventRecord& record);
  void checkRoom();

  struct MacroEntry {
    std::size_t firstEvent;  // index in macroList
    std::size_t eventCount;
    std::int32_t length;     // end time of the body compiled from 0
  };

  const SourceText& srcBlock_;
  Reader reader_;
  EventStore store_;
  CompileSettings settings_;
  VoiceContext* voice_ = nullptr;  // the voice of the innermost block being compiled
  std::size_t depth_ = 0;
  // One level of nesting for the guard's lifetime; too deep is a compile error.
  [[nodiscard]] vorn::DepthGuard enterNesting();
  std::unordered_map<std::string, MacroEntry> macroTable_;
  std::unordered_map<std::string, std::int32_t> markTable_;
  ExpressionHost host_;
  kel::Session session_;
  std::size_t expressions_ = 0;     // evaluated so far
  std::size_t expandedBytes_ = 0;   // produced by expansions so far
  CompileFailure failure_;
  bool interrupted_ = false;
  std::vector<CompileWarning> warnings_;
  void warn(std::size_t position, std::string text);
  std::optional<std::size_t> openBlock_;  // the "{" of the track or macro block being compiled
};

}  // namespace mml
