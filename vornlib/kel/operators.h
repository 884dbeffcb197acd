#pragma once
// What the operators do to values. Integer arithmetic wraps in 32 bits;
// where no rule gives a meaning to a mix of kinds, the result is a type
// error. && and || are left to the evaluator, which must not evaluate their
// right side too early.
#include <cstddef>
#include <string_view>

#include "vornlib/kel/ast.h"
#include "vornlib/kel/value.h"

namespace kel::detail {

std::string_view spelling(UnaryOp op);
std::string_view spelling(BinaryOp op);

// `offset` is the operator's, for errors; `maxBytes` bounds string results.
Value applyUnary(UnaryOp op, const Value& operand, std::size_t offset);
Value applyBinary(BinaryOp op, Value left, const Value& right, std::size_t offset, std::size_t maxBytes);

}  // namespace kel::detail
