#include "vornlib/kel/evaluator.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vornlib/kel/builtins.h"
#include "vornlib/kel/failure.h"
#include "vornlib/kel/operators.h"

namespace kel::detail {
namespace {

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string argumentCount(const Builtin& builtin) {
  auto plural = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); };
  if (builtin.maxArgs == builtin.minArgs) return plural(builtin.minArgs);
  if (builtin.maxArgs == builtin.minArgs + 1) {
    return std::to_string(builtin.minArgs) + " or " + plural(builtin.maxArgs);
  }
  return plural(builtin.minArgs) + " or more";
}

}  // namespace

Value Evaluator::evaluate(const Node& node) {
  switch (node.kind) {
    case NodeKind::Literal:
      chargeBytes(node.literal, node.offset);
      return node.literal;
    case NodeKind::Variable: return variable(node);
    case NodeKind::Positional: return positional(node);
    case NodeKind::Call: return call(node);
    case NodeKind::Unary: return applyUnary(node.unaryOp, evaluate(*node.kids[0]), node.offset);
    case NodeKind::Chain: return chain(node);
    case NodeKind::Conditional:
      return evaluate(truth(evaluate(*node.kids[0]), node.kids[0]->offset) ? *node.kids[1] : *node.kids[2]);
    case NodeKind::Assign: return assign(node);
    case NodeKind::Sequence: {
      Value last;
      for (const NodePtr& kid : node.kids) last = evaluate(*kid);
      return last;
    }
  }
  return Value();
}

// Host first, then the built-in functions, then local variables.
Value Evaluator::variable(const Node& node) {
  if (host_ != nullptr && host_->hasVariable(node.name)) return fromHost(host_->readVariable(node.name), node.offset);
  if (findBuiltin(node.name) != nullptr || (host_ != nullptr && host_->hasFunction(node.name))) {
    fail(vorn::kErrKelSyntax, node.offset,
         quoted(node.name) + " is a function: call it as " + node.name + "(...)");
  }
  auto local = locals_.find(node.name);
  if (local == locals_.end()) fail(vorn::kErrKelUnknownName, node.offset, "unknown name " + quoted(node.name));
  chargeBytes(local->second, node.offset);
  return local->second;
}

Value Evaluator::positional(const Node& node) {
  std::optional<std::string> text;
  if (host_ != nullptr) text = host_->positional(node.index);
  if (!text) {
    fail(vorn::kErrKelUnknownName, node.offset, "there is no positional parameter $" + std::to_string(node.index));
  }
  return fromHost(Value::ofBytes(std::move(*text)), node.offset);
}

Value Evaluator::call(const Node& node) {
  bool hostCall = host_ != nullptr && host_->hasFunction(node.name);
  const Builtin* builtin = hostCall ? nullptr : findBuiltin(node.name);
  if (!hostCall && builtin == nullptr) {
    fail(vorn::kErrKelUnknownName, node.offset, "unknown function " + quoted(node.name));
  }
  if (builtin != nullptr && (node.kids.size() < builtin->minArgs || node.kids.size() > builtin->maxArgs)) {
    fail(vorn::kErrKelArguments, node.offset,
         node.name + " takes " + argumentCount(*builtin) + ", not " + std::to_string(node.kids.size()));
  }
  if (builtin != nullptr && builtin->fn == nullptr) return node.name == "if" ? ifCall(node) : forCall(node);

  std::vector<Value> args;
  std::vector<std::size_t> offsets;
  for (const NodePtr& kid : node.kids) {
    args.push_back(evaluate(*kid));
    offsets.push_back(kid->offset);
  }
  if (hostCall) return fromHost(host_->callFunction(node.name, args), node.offset);
  Value result = builtin->fn(args, CallSite{node.name, node.offset, offsets, limits_.maxBytes});
  chargeBytes(result, node.offset);
  return result;
}

Value Evaluator::ifCall(const Node& node) {
  return evaluate(truth(evaluate(*node.kids[0]), node.kids[0]->offset) ? *node.kids[1] : *node.kids[2]);
}

// for(name, from, to, body). The loop runs on its own counter, so a body that
// assigns the variable does not change how often it runs.
Value Evaluator::forCall(const Node& node) {
  const Node& variable = *node.kids[0];
  if (variable.kind != NodeKind::Variable || variable.parenthesized) {
    fail(vorn::kErrKelArguments, variable.offset, "for: argument 1 must be a variable name");
  }
  checkAssignable(variable.name, variable.offset);
  std::int64_t from = integer(*node.kids[1]);
  std::int64_t to = integer(*node.kids[2]);
  const Node& body = *node.kids[3];

  Value result = Value::ofBytes({});
  for (std::int64_t i = from; i <= to; ++i) {
    checkBreak(node.offset);
    if (++iterations_ > limits_.maxIterations) {
      fail(vorn::kErrKelRange, node.offset,
           "for: more than " + std::to_string(limits_.maxIterations) + " iterations in one evaluation");
    }
    locals_.insert_or_assign(variable.name, Value::ofInt(static_cast<std::int32_t>(i)));
    Value value = evaluate(body);
    if (i != from && value.kind() != result.kind()) {
      fail(vorn::kErrKelType, body.offset,
           "for: the body gave " + std::string(kindName(value.kind())) + " after " + std::string(kindName(result.kind())));
    }
    if (i == from || value.isInt()) {
      result = std::move(value);
    } else {
      if (result.asBytes().size() + value.asBytes().size() > limits_.maxBytes) {
        fail(vorn::kErrKelTooLong, node.offset,
             "for: the result would be longer than " + std::to_string(limits_.maxBytes) + " bytes");
      }
      charge(value.asBytes().size(), node.offset);
      result.asBytes() += value.asBytes();
    }
  }
  return result;
}

Value Evaluator::chain(const Node& node) {
  Value left = evaluate(*node.kids[0]);
  for (std::size_t i = 0; i < node.ops.size(); ++i) {
    const ChainStep& step = node.ops[i];
    const Node& right = *node.kids[i + 1];
    if (step.op == BinaryOp::And || step.op == BinaryOp::Or) {
      bool decided = truth(left, step.offset) == (step.op == BinaryOp::Or);
      bool result = decided ? step.op == BinaryOp::Or : truth(evaluate(right), step.offset);
      left = Value::ofInt(result ? 1 : 0);
    } else {
      // A concatenation builds what it appends; a repetition its whole result.
      std::size_t kept = step.op == BinaryOp::Add && left.isBytes() ? left.asBytes().size() : 0;
      left = applyBinary(step.op, std::move(left), evaluate(right), step.offset, limits_.maxBytes);
      if (left.isBytes()) charge(left.asBytes().size() - kept, step.offset);
    }
  }
  return left;
}

Value Evaluator::assign(const Node& node) {
  checkAssignable(node.name, node.offset);
  Value value = evaluate(*node.kids[0]);
  chargeBytes(value, node.offset);
  locals_.insert_or_assign(node.name, value);
  return value;
}

void Evaluator::checkAssignable(std::string_view name, std::size_t offset) {
  if (host_ != nullptr && (host_->hasVariable(name) || host_->hasFunction(name))) {
    fail(vorn::kErrKelReadOnly, offset, quoted(name) + " belongs to the calling tool and cannot be assigned");
  }
  if (findBuiltin(name) != nullptr) {
    fail(vorn::kErrKelReadOnly, offset, quoted(name) + " is a built-in function and cannot be assigned");
  }
}

bool Evaluator::truth(const Value& value, std::size_t offset) {
  if (!value.isInt()) fail(vorn::kErrKelType, offset, "a condition must be an integer, not a byte string");
  return value.asInt() != 0;
}

std::int32_t Evaluator::integer(const Node& node) {
  Value value = evaluate(node);
  if (!value.isInt()) fail(vorn::kErrKelType, node.offset, "an integer is needed here, not a byte string");
  return value.asInt();
}

Value Evaluator::fromHost(Result<Value> answer, std::size_t offset) {
  if (!answer) {
    Error error = answer.error();
    error.offset = offset;
    throw Failure{std::move(error)};
  }
  if (answer.value().isBytes() && answer.value().asBytes().size() > limits_.maxBytes) {
    fail(vorn::kErrKelTooLong, offset,
         "the calling tool gave a byte string longer than " + std::to_string(limits_.maxBytes) + " bytes");
  }
  chargeBytes(answer.value(), offset);
  return std::move(answer.value());
}

void Evaluator::charge(std::size_t bytes, std::size_t offset) {
  bytesBuilt_ += bytes;
  if (bytesBuilt_ > limits_.maxBytesBuilt) {
    fail(vorn::kErrKelTooMuchWork, offset,
         "too much work: more than " + std::to_string(limits_.maxBytesBuilt) + " bytes built in one evaluation");
  }
  checkBreak(offset);
}

void Evaluator::chargeBytes(const Value& value, std::size_t offset) {
  if (value.isBytes()) charge(value.asBytes().size(), offset);
}

void Evaluator::checkBreak(std::size_t offset) {
  if (breakCheck_ && breakCheck_()) fail(vorn::kErrKelInterrupted, offset, "interrupted");
}

}  // namespace kel::detail
