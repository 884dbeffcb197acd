// Fuzz target: arbitrary bytes through every entry form, with a host that
// answers a few names. Besides the sanitizers' checks it traps when a result
// breaks the API's promises (an end outside the text or before the start, a
// value of the wrong kind, an error outside the evaluator's codes).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vornlib/kel/kel.h"

namespace {

class FuzzHost : public kel::Host {
 public:
  bool hasVariable(std::string_view name) override { return name == "v" || name == "s"; }
  kel::Result<kel::Value> readVariable(std::string_view name) override {
    if (name == "v") return kel::Value::ofInt(-7);
    return kel::Value::ofBytes(std::string("\xF0\x41\x10\xF7", 4));
  }
  bool hasFunction(std::string_view name) override { return name == "f" || name == "len"; }
  kel::Result<kel::Value> callFunction(std::string_view, std::span<const kel::Value> args) override {
    if (!args.empty() && args[0].isInt() && args[0].asInt() == 13) return kel::Error::host("unlucky");
    return kel::Value::ofInt(static_cast<std::int32_t>(args.size()));
  }
  std::optional<std::string> positional(std::int32_t n) override {
    if (n < -2 || n > 3) return std::nullopt;
    return std::to_string(n);
  }
};

void check(bool condition) {
  if (!condition) __builtin_trap();
}

void checkResult(const kel::Result<kel::Evaluated>& result, std::string_view text, std::size_t pos, kel::Want want) {
  if (!result) {
    check(result.error().code >= vorn::kErrKelSyntax && result.error().code <= vorn::kErrKelTooMuchWork);
    check(result.error().offset <= text.size());
    check(!result.error().message.empty());
    return;
  }
  check(result.value().end > pos && result.value().end <= text.size());
  if (want == kel::Want::Integer) check(result.value().value.isInt());
  if (want == kel::Want::Bytes) check(result.value().value.isBytes());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  kel::Limits limits;
  limits.maxBytes = 1 << 16;  // keeps string work per input small
  limits.maxIterations = 2000;
  FuzzHost host;
  kel::Session session(&host, limits);
  const kel::Want wants[] = {kel::Want::Any, kel::Want::Integer, kel::Want::Bytes};
  kel::Want want = size > 0 ? wants[data[0] % 3] : kel::Want::Any;
  // Also start inside the text, as zembra does.
  std::size_t middle = size > 1 ? data[1] % (size + 1) : 0;

  for (std::size_t pos : {std::size_t{0}, middle}) {
    checkResult(session.evaluateOperand(text, pos, want), text, pos, want);
    checkResult(session.evaluateClosed(text, pos, kel::Closer::Paren, want), text, pos, want);
    checkResult(session.evaluateClosed(text, pos, kel::Closer::Bracket, want), text, pos, want);
    checkResult(session.evaluateAll(text, pos, want), text, pos, want);
  }

  // A praven-style loop over the script, one expression at a time.
  kel::Session script(&host, limits);
  for (std::size_t pos = kel::Session::skipSeparators(text, 0); pos < text.size();) {
    kel::Result<kel::Evaluated> result = script.evaluateNext(text, pos, want);
    checkResult(result, text, pos, want);
    if (!result) break;
    pos = kel::Session::skipSeparators(text, result.value().end);
  }
  return 0;
}
