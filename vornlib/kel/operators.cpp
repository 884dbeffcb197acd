#include "vornlib/kel/operators.h"

#include <cstdint>
#include <string>

#include "vornlib/kel/failure.h"

namespace kel::detail {
namespace {

// Two's complement wrapping without signed overflow.
std::int32_t wrap(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }
std::uint32_t bits(std::int32_t n) { return static_cast<std::uint32_t>(n); }

[[noreturn]] void kindMismatch(std::string_view op, const Value& left, const Value& right, std::size_t offset) {
  fail(vorn::kErrKelType, offset,
       "\"" + std::string(op) + "\" cannot combine " + std::string(kindName(left.kind())) + " with " +
           std::string(kindName(right.kind())));
}

[[noreturn]] void tooLong(std::size_t offset, std::size_t maxBytes) {
  fail(vorn::kErrKelTooLong, offset, "the result would be longer than " + std::to_string(maxBytes) + " bytes");
}

Value compare(BinaryOp op, const Value& left, const Value& right, std::size_t offset) {
  if (left.kind() != right.kind()) kindMismatch(spelling(op), left, right, offset);
  // Byte strings compare as unsigned bytes (char_traits<char> does so).
  int order = left.isInt() ? (left.asInt() < right.asInt() ? -1 : left.asInt() > right.asInt() ? 1 : 0)
                           : left.asBytes().compare(right.asBytes());
  bool result = false;
  switch (op) {
    case BinaryOp::Equal: result = order == 0; break;
    case BinaryOp::NotEqual: result = order != 0; break;
    case BinaryOp::Less: result = order < 0; break;
    case BinaryOp::LessEq: result = order <= 0; break;
    case BinaryOp::Greater: result = order > 0; break;
    case BinaryOp::GreaterEq: result = order >= 0; break;
    default: break;
  }
  return Value::ofInt(result ? 1 : 0);
}

Value repeat(std::string bytes, std::int32_t count, std::size_t offset, std::size_t maxBytes) {
  if (count < 0) fail(vorn::kErrKelRange, offset, "a byte string cannot be repeated " + std::to_string(count) + " times");
  if (bytes.empty() || count == 0) return Value::ofBytes({});
  if (bytes.size() > maxBytes / static_cast<std::size_t>(count)) tooLong(offset, maxBytes);
  // By doubling: a long repetition of a short string takes a few copies, not
  // one append per repetition.
  std::size_t total = bytes.size() * static_cast<std::size_t>(count);
  std::string result = std::move(bytes);
  result.reserve(total);
  while (result.size() * 2 <= total) result.append(result);
  result.append(result, 0, total - result.size());
  return Value::ofBytes(std::move(result));
}

std::int32_t integerOnly(BinaryOp op, std::int32_t a, std::int32_t b, std::size_t offset) {
  switch (op) {
    case BinaryOp::Add: return wrap(bits(a) + bits(b));
    case BinaryOp::Subtract: return wrap(bits(a) - bits(b));
    case BinaryOp::Multiply: return wrap(bits(a) * bits(b));
    case BinaryOp::Divide:
    case BinaryOp::Remainder:
      if (b == 0) fail(vorn::kErrKelDivideByZero, offset, "division by zero");
      if (b == -1) return op == BinaryOp::Divide ? wrap(0u - bits(a)) : 0;  // -2^31 / -1 wraps
      return op == BinaryOp::Divide ? a / b : a % b;
    case BinaryOp::Shl:
    case BinaryOp::Shr:
      if (b < 0 || b > 31) fail(vorn::kErrKelRange, offset, "a shift count must lie in 0..31, not " + std::to_string(b));
      return op == BinaryOp::Shl ? wrap(bits(a) << b) : a >> b;  // >> keeps the sign
    case BinaryOp::BitAnd: return a & b;
    case BinaryOp::BitXor: return a ^ b;
    case BinaryOp::BitOr: return a | b;
    default: return 0;
  }
}

}  // namespace

std::string_view spelling(UnaryOp op) {
  switch (op) {
    case UnaryOp::Negate: return "-";
    case UnaryOp::BitNot: return "~";
    case UnaryOp::Not: return "!";
  }
  return "?";
}

std::string_view spelling(BinaryOp op) {
  switch (op) {
    case BinaryOp::Or: return "||";
    case BinaryOp::And: return "&&";
    case BinaryOp::BitOr: return "|";
    case BinaryOp::BitXor: return "^";
    case BinaryOp::BitAnd: return "&";
    case BinaryOp::Equal: return "==";
    case BinaryOp::NotEqual: return "!=";
    case BinaryOp::Less: return "<";
    case BinaryOp::LessEq: return "<=";
    case BinaryOp::Greater: return ">";
    case BinaryOp::GreaterEq: return ">=";
    case BinaryOp::Shl: return "<<";
    case BinaryOp::Shr: return ">>";
    case BinaryOp::Add: return "+";
    case BinaryOp::Subtract: return "-";
    case BinaryOp::Multiply: return "*";
    case BinaryOp::Divide: return "/";
    case BinaryOp::Remainder: return "%";
  }
  return "?";
}

Value applyUnary(UnaryOp op, const Value& operand, std::size_t offset) {
  if (!operand.isInt()) {
    fail(vorn::kErrKelType, offset,
         "\"" + std::string(spelling(op)) + "\" needs an integer, not " + std::string(kindName(operand.kind())));
  }
  std::int32_t n = operand.asInt();
  switch (op) {
    case UnaryOp::Negate: return Value::ofInt(wrap(0u - bits(n)));
    case UnaryOp::BitNot: return Value::ofInt(~n);
    case UnaryOp::Not: return Value::ofInt(n == 0 ? 1 : 0);
  }
  return operand;
}

Value applyBinary(BinaryOp op, Value left, const Value& right, std::size_t offset, std::size_t maxBytes) {
  switch (op) {
    case BinaryOp::Equal:
    case BinaryOp::NotEqual:
    case BinaryOp::Less:
    case BinaryOp::LessEq:
    case BinaryOp::Greater:
    case BinaryOp::GreaterEq:
      return compare(op, left, right, offset);
    case BinaryOp::Add:
      if (left.isBytes() && right.isBytes()) {
        if (left.asBytes().size() + right.asBytes().size() > maxBytes) tooLong(offset, maxBytes);
        left.asBytes() += right.asBytes();
        return left;
      }
      break;
    case BinaryOp::Multiply:
      if (left.isBytes() && right.isInt()) return repeat(std::move(left.asBytes()), right.asInt(), offset, maxBytes);
      break;
    default:
      break;
  }
  if (!left.isInt() || !right.isInt()) kindMismatch(spelling(op), left, right, offset);
  return Value::ofInt(integerOnly(op, left.asInt(), right.asInt(), offset));
}

}  // namespace kel::detail
