#include "kel_test_support.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace keltest {

std::string codeName(std::uint32_t code) {
  switch (code) {
    case vorn::kErrKelSyntax: return "Syntax";
    case vorn::kErrKelUnknownName: return "UnknownName";
    case vorn::kErrKelType: return "Type";
    case vorn::kErrKelDivideByZero: return "DivideByZero";
    case vorn::kErrKelRange: return "Range";
    case vorn::kErrKelTooLong: return "TooLong";
    case vorn::kErrKelTooDeep: return "TooDeep";
    case vorn::kErrKelReadOnly: return "ReadOnly";
    case vorn::kErrKelArguments: return "Arguments";
    case vorn::kErrKelHost: return "Host";
    case vorn::kErrKelInterrupted: return "Interrupted";
    case vorn::kErrKelTooMuchWork: return "TooMuchWork";
    default: return "code" + std::to_string(code);
  }
}

std::string show(const kel::Result<kel::Evaluated>& result) {
  if (!result) return codeName(result.error().code) + "@" + std::to_string(result.error().offset);
  return kel::toLiteral(result.value().value);
}

std::string run(std::string_view text, kel::Host* host, kel::Limits limits) {
  kel::Session session(host, limits);
  return show(session.evaluateAll(text, 0));
}

kel::Error errorOf(std::string_view text, kel::Host* host) {
  kel::Session session(host);
  auto result = session.evaluateAll(text, 0);
  return result ? kel::Error{} : result.error();
}

void expectCases(std::initializer_list<Case> cases, kel::Host* host, kel::Limits limits) {
  for (const Case& c : cases) EXPECT_EQ(run(c.text, host, limits), c.expected) << "text: " << c.text;
}

bool RecordingHost::hasVariable(std::string_view name) { return variables.find(name) != variables.end(); }

kel::Result<kel::Value> RecordingHost::readVariable(std::string_view name) {
  ++reads[std::string(name)];
  return variables.find(name)->second;
}

bool RecordingHost::hasFunction(std::string_view name) {
  return std::find(functions.begin(), functions.end(), name) != functions.end();
}

kel::Result<kel::Value> RecordingHost::callFunction(std::string_view name, std::span<const kel::Value> args) {
  std::string call = std::string(name) + "(";
  for (std::size_t i = 0; i < args.size(); ++i) call += (i > 0 ? "," : "") + kel::toLiteral(args[i]);
  calls.push_back(call + ")");
  if (refusal) return *refusal;
  return kel::Value::ofInt(static_cast<std::int32_t>(calls.size()));
}

std::optional<std::string> RecordingHost::positional(std::int32_t n) {
  auto found = positionals.find(n);
  if (found == positionals.end()) return std::nullopt;
  return found->second;
}

}  // namespace keltest

namespace kel {
void PrintTo(const Value& value, std::ostream* out) { *out << toLiteral(value); }
}  // namespace kel
