#pragma once
// The interface through which a calling tool lends its own names to
// expressions: zembra's voice values and "out", praven's "syx", "timeout" and
// friends, and the positional parameters $n.
//
// Names reach the host exactly as written (KEL names are case-sensitive; a
// host may match them as it likes). A name the host claims hides a built-in
// function or local variable of the same name, and can never be assigned.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vornlib/kel/result.h"
#include "vornlib/kel/value.h"

namespace kel {

class Host {
 public:
  virtual ~Host() = default;

  // Does the host answer `name` used as a variable (without parentheses)?
  // Asked before readVariable and when an assignment checks its target, so it
  // must not have side effects.
  virtual bool hasVariable(std::string_view name) {
    (void)name;
    return false;
  }
  // The variable's value; called only after hasVariable(name) gave true. It
  // may act (praven's "syx" waits for a message). Return Error::host(...) to
  // refuse.
  virtual Result<Value> readVariable(std::string_view name) {
    return Error::host("the host has no variable \"" + std::string(name) + "\"");
  }

  // Does the host answer `name(...)` as a function? Free of side effects.
  virtual bool hasFunction(std::string_view name) {
    (void)name;
    return false;
  }
  // Calls the function with its arguments, evaluated left to right before the
  // call. Called only after hasFunction(name) gave true.
  virtual Result<Value> callFunction(std::string_view name, std::span<const Value> args) {
    (void)args;
    return Error::host("the host has no function \"" + std::string(name) + "\"");
  }

  // The text of the positional parameter $n (n may be 0 or negative), or
  // nothing when there is no such parameter.
  virtual std::optional<std::string> positional(std::int32_t n) {
    (void)n;
    return std::nullopt;
  }
};

}  // namespace kel
