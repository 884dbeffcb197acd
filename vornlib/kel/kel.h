#pragma once
// KEL, the suite's expression language: evaluation of expression texts for
// zembra ("_" numbers, "(" SysEx bytes, "@(" and "@[" expansions), holmir
// (the ":" request) and praven (scripts). The language is described for
// users in docs/kel.md.
//
// A Session evaluates expressions found in a caller's text. Every entry form
// takes the text and the position where the expression starts, and gives the
// value with the position just behind what it consumed; the caller's text
// after that is left alone. Failures come back as kel::Error (code, byte
// offset in the text, English message); nothing throws (a Host must not
// throw either). A start position beyond the text is a kErrKelRange error.
//
// A pending break (Ctrl-C) stops an evaluation with kErrKelInterrupted; the
// caller then stops as for a break (vornlib/breaks.h).
//
//   kel::Session session(&host);              // or Session() without a host
//   auto r = session.evaluateOperand(text, pos, kel::Want::Integer);
//   if (!r) report(r.error().code, r.error().offset, r.error().message);
//   else { use(r.value().value.asInt()); pos = r.value().end; }
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "vornlib/jchr.h"
#include "vornlib/kel/host.h"
#include "vornlib/kel/result.h"
#include "vornlib/kel/value.h"

namespace kel {

// What the caller can use. A value of the other kind is reported as
// vorn::kErrKelType at the start of the expression that gave it (the last
// one of a sequence).
enum class Want { Any, Integer, Bytes };

// The closing character of a bracketed expression.
enum class Closer { Paren, Bracket };  // ")" or "]"

struct Limits {
  std::size_t maxDepth = 256;                  // nesting of brackets, calls and operators
  std::size_t maxBytes = 16 * 1024 * 1024;     // longest byte string
  std::uint64_t maxIterations = 1'000'000;     // for() iterations in one entry call, all loops together
  // Bytes of byte strings built in one entry call: copies of literals and
  // variables, concatenations, repetitions, function results, loop results.
  // Bounds the time a loop can spend on long strings.
  std::uint64_t maxBytesBuilt = std::uint64_t{256} << 20;
};

// Asked between steps of long work; true stops the evaluation with
// kErrKelInterrupted.
using BreakCheck = std::function<bool()>;

struct Evaluated {
  Value value;
  std::size_t end = 0;  // position just behind what was consumed
};

class Session {
 public:
  // `host` may be null (no tool names; $n are then unknown). The session
  // does not own it; it must outlive the evaluations.
  explicit Session(Host* host = nullptr, Limits limits = {});
  void setHost(Host* host) { host_ = host; }
  const Limits& limits() const { return limits_; }

  // What tells a pending break: vorn::breakPending() unless set otherwise
  // (an empty check never interrupts).
  void setBreakCheck(BreakCheck check) { breakCheck_ = std::move(check); }

  // The encoding of the texts given to the entry forms; it decides where a
  // multibyte character in a text literal ends (the second byte of a
  // Shift-JIS character may be a backslash). Without one, each text is judged
  // whole as the suite's scanner does: valid UTF-8 is UTF-8, else Shift-JIS.
  void setEncoding(std::optional<vorn::TextEncoding> encoding) { encoding_ = encoding; }

  // One operand and nothing more: a literal, a name, a call, a positional
  // parameter or a parenthesised expression, starting at `pos` after
  // optional blanks (zembra's "_" argument). "_tick+1" consumes "tick" only.
  Result<Evaluated> evaluateOperand(std::string_view text, std::size_t pos, Want want = Want::Any);

  // Expressions separated by ";" up to the closer, which is consumed.
  // `pos` is just behind the opening "(" or "[" that the caller has read
  // (zembra's SysEx "(", "@(" and "@["). The value is the last expression's.
  Result<Evaluated> evaluateClosed(std::string_view text, std::size_t pos, Closer closer,
                                   Want want = Want::Any);

  // The next expression of a script: blanks and ";" before it are skipped,
  // the expression must be followed by a blank, ";" or the end of the text,
  // and `end` is just behind it (the separator is not consumed). Praven's
  // loop:
  //   for (pos = Session::skipSeparators(s, 0); pos < s.size();
  //        pos = Session::skipSeparators(s, r.value().end)) { r = evaluateNext(s, pos, ...); ... }
  Result<Evaluated> evaluateNext(std::string_view text, std::size_t pos, Want want = Want::Any);

  // Every expression of the script from `pos` to the end of the text, parsed
  // completely before any is evaluated; the value is the last one's and
  // `end` is text.size(). An empty script is a syntax error (holmir's ":").
  Result<Evaluated> evaluateAll(std::string_view text, std::size_t pos, Want want = Want::Any);

  // The position of the first character at or after `pos` that is neither a
  // blank nor ";" (text.size() at the end).
  static std::size_t skipSeparators(std::string_view text, std::size_t pos);

  // Local variables live as long as the session; assignments made before a
  // failed evaluation stay.
  const Value* local(std::string_view name) const;
  void clearLocals();

 private:
  Host* host_;
  Limits limits_;
  BreakCheck breakCheck_;
  std::optional<vorn::TextEncoding> encoding_;
  std::map<std::string, Value, std::less<>> locals_;
};

}  // namespace kel
