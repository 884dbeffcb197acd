#pragma once
// The parsed form of an expression. Every expression is parsed completely
// before it is evaluated, so a syntax error is found before anything runs and
// a for() body can be evaluated many times from one parse.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vornlib/kel/value.h"

namespace kel::detail {

enum class UnaryOp { Negate, BitNot, Not };

// Grouped by precedence level, loosest first (see binaryLevel in parser.cpp).
enum class BinaryOp {
  Or, And, BitOr, BitXor, BitAnd,
  Equal, NotEqual, Less, LessEq, Greater, GreaterEq,
  Shl, Shr, Add, Subtract, Multiply, Divide, Remainder,
};

enum class NodeKind {
  Literal,      // literal
  Variable,     // name
  Positional,   // index
  Call,         // name, kids = arguments
  Unary,        // unaryOp, kids[0]
  Chain,        // kids[0] ops[0] kids[1] ops[1] kids[2] ..., all of one precedence level
  Conditional,  // kids[0] ? kids[1] : kids[2]
  Assign,       // name = kids[0]
  Sequence,     // kids in order, the last one's value
};

struct ChainStep {
  BinaryOp op;
  std::size_t offset;  // of the operator, where errors of this step point
};

struct Node {
  NodeKind kind = NodeKind::Literal;
  std::size_t offset = 0;  // first character of the construct
  Value literal;
  std::string name;
  std::int32_t index = 0;
  UnaryOp unaryOp = UnaryOp::Negate;
  std::vector<ChainStep> ops;
  std::vector<std::unique_ptr<Node>> kids;
  bool parenthesized = false;  // written in "(...)": not an assignment target
};

using NodePtr = std::unique_ptr<Node>;

}  // namespace kel::detail
