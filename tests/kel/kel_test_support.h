#pragma once
// Shared helpers of the KEL tests: results written as short strings so that
// a table of cases reads like the language, and a host that records what it
// is asked.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/kel/kel.h"

namespace keltest {

// "7", "\"ab\"", "x\"F0 F7\"" for a value; "Syntax@3" (code name @ offset)
// for an error.
std::string show(const kel::Result<kel::Evaluated>& result);
std::string codeName(std::uint32_t code);

// Evaluates a whole text in a fresh session.
std::string run(std::string_view text, kel::Host* host = nullptr, kel::Limits limits = {});

// The error of a whole-text evaluation (a default Error if it succeeded).
kel::Error errorOf(std::string_view text, kel::Host* host = nullptr);

// A host with a few variables, functions and positional parameters that
// counts every question it is asked and records every call.
class RecordingHost : public kel::Host {
 public:
  std::map<std::string, kel::Value, std::less<>> variables;
  std::map<std::int32_t, std::string> positionals;
  std::vector<std::string> functions;              // names answered as functions
  std::optional<kel::Error> refusal;               // returned by every call when set
  std::vector<std::string> calls;                  // "name(arg,arg)" in call order
  std::map<std::string, int, std::less<>> reads;   // readVariable count per name

  bool hasVariable(std::string_view name) override;
  kel::Result<kel::Value> readVariable(std::string_view name) override;
  bool hasFunction(std::string_view name) override;
  kel::Result<kel::Value> callFunction(std::string_view name, std::span<const kel::Value> args) override;
  std::optional<std::string> positional(std::int32_t n) override;
};

}  // namespace keltest

namespace kel {
void PrintTo(const Value& value, std::ostream* out);
}

namespace keltest {

struct Case {
  std::string_view text;
  std::string_view expected;  // as show() writes it
};

// Runs every case as a whole text in a fresh session (the cases' host, if
// any, is shared) and reports each mismatch with its text.
void expectCases(std::initializer_list<Case> cases, kel::Host* host = nullptr, kel::Limits limits = {});

}  // namespace keltest
