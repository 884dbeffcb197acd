#pragma once
// The built-in functions. "if" and "for" choose what to evaluate, so the
// evaluator runs them itself; the others get their arguments evaluated.
#include <cstddef>
#include <span>
#include <string_view>

#include "vornlib/kel/value.h"

namespace kel::detail {

struct CallSite {
  std::string_view name;
  std::size_t offset;                     // of the function's name
  std::span<const std::size_t> argOffsets;  // of each argument
  std::size_t maxBytes;
};

using BuiltinFn = Value (*)(std::span<const Value> args, const CallSite& site);

struct Builtin {
  std::string_view name;
  std::size_t minArgs;
  std::size_t maxArgs;
  BuiltinFn fn;  // null for "if" and "for"
};

// Null when `name` is no built-in function.
const Builtin* findBuiltin(std::string_view name);

}  // namespace kel::detail
