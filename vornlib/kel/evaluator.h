#pragma once
// Walks a parsed expression and computes its value, asking the host for the
// names it answers.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "vornlib/kel/ast.h"
#include "vornlib/kel/host.h"
#include "vornlib/kel/kel.h"
#include "vornlib/kel/value.h"

namespace kel::detail {

using Locals = std::map<std::string, Value, std::less<>>;

// One evaluation: the for() iteration budget and the bytes built are counted
// from its creation.
class Evaluator {
 public:
  Evaluator(Host* host, Locals& locals, const Limits& limits, const BreakCheck& breakCheck)
      : host_(host), locals_(locals), limits_(limits), breakCheck_(breakCheck) {}

  Value evaluate(const Node& node);

 private:
  Value variable(const Node& node);
  Value positional(const Node& node);
  Value call(const Node& node);
  Value ifCall(const Node& node);
  Value forCall(const Node& node);
  Value chain(const Node& node);
  Value assign(const Node& node);

  void checkAssignable(std::string_view name, std::size_t offset);
  bool truth(const Value& value, std::size_t offset);
  std::int32_t integer(const Node& node);
  Value fromHost(Result<Value> answer, std::size_t offset);
  // Counts `bytes` built for the value at `offset` against the work limit,
  // and stops for a pending break: every step of long work passes here.
  void charge(std::size_t bytes, std::size_t offset);
  void chargeBytes(const Value& value, std::size_t offset);
  void checkBreak(std::size_t offset);

  Host* host_;
  Locals& locals_;
  const Limits& limits_;
  const BreakCheck& breakCheck_;
  std::uint64_t iterations_ = 0;
  std::uint64_t bytesBuilt_ = 0;
};

}  // namespace kel::detail
