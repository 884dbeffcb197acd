#include "vornlib/kel/parser.h"

#include <optional>
#include <string>
#include <utility>

#include "vornlib/kel/failure.h"

namespace kel::detail {
namespace {

struct BinaryInfo {
  BinaryOp op;
  int level;  // 0 binds loosest
};

std::optional<BinaryInfo> binaryOf(Tok kind) {
  switch (kind) {
    case Tok::PipePipe: return BinaryInfo{BinaryOp::Or, 0};
    case Tok::AmpAmp: return BinaryInfo{BinaryOp::And, 1};
    case Tok::Pipe: return BinaryInfo{BinaryOp::BitOr, 2};
    case Tok::Caret: return BinaryInfo{BinaryOp::BitXor, 3};
    case Tok::Amp: return BinaryInfo{BinaryOp::BitAnd, 4};
    case Tok::Equal: return BinaryInfo{BinaryOp::Equal, 5};
    case Tok::NotEqual: return BinaryInfo{BinaryOp::NotEqual, 5};
    case Tok::Less: return BinaryInfo{BinaryOp::Less, 6};
    case Tok::LessEq: return BinaryInfo{BinaryOp::LessEq, 6};
    case Tok::Greater: return BinaryInfo{BinaryOp::Greater, 6};
    case Tok::GreaterEq: return BinaryInfo{BinaryOp::GreaterEq, 6};
    case Tok::Shl: return BinaryInfo{BinaryOp::Shl, 7};
    case Tok::Shr: return BinaryInfo{BinaryOp::Shr, 7};
    case Tok::Plus: return BinaryInfo{BinaryOp::Add, 8};
    case Tok::Minus: return BinaryInfo{BinaryOp::Subtract, 8};
    case Tok::Star: return BinaryInfo{BinaryOp::Multiply, 9};
    case Tok::Slash: return BinaryInfo{BinaryOp::Divide, 9};
    case Tok::Percent: return BinaryInfo{BinaryOp::Remainder, 9};
    default: return std::nullopt;
  }
}

NodePtr makeNode(NodeKind kind, std::size_t offset) {
  auto node = std::make_unique<Node>();
  node->kind = kind;
  node->offset = offset;
  return node;
}

}  // namespace

vorn::DepthGuard Parser::enterNesting(std::size_t offset) {
  vorn::DepthGuard nesting(depth_, limits_.maxDepth);
  if (!nesting.entered()) {
    fail(vorn::kErrKelTooDeep, offset,
         "the expression is nested deeper than " + std::to_string(limits_.maxDepth) + " levels");
  }
  return nesting;
}

Parser::Parser(std::string_view text, std::size_t pos, const Limits& limits, CharReader& chars)
    : text_(text), pos_(pos), limits_(limits), chars_(chars) {}

const Token& Parser::peek() {
  if (!hasPeeked_) {
    peeked_ = lexToken(text_, pos_, limits_.maxBytes, chars_);
    hasPeeked_ = true;
  }
  return peeked_;
}

Token Parser::take() {
  peek();
  hasPeeked_ = false;
  pos_ = peeked_.end;
  return std::move(peeked_);
}

void Parser::unexpected(const Token& token, std::string_view wanted) {
  if (token.kind == Tok::Invalid) throw Failure{token.error};
  fail(vorn::kErrKelSyntax, token.begin,
       "expected " + std::string(wanted) + " but found " + describeToken(token, text_));
}

Token Parser::expect(Tok kind, std::string_view spelling) {
  if (peek().kind != kind) unexpected(peek(), "\"" + std::string(spelling) + "\"");
  return take();
}

NodePtr Parser::parseOperand() { return parsePrimary(); }

NodePtr Parser::parseClosed(Tok closer) { return parseSequence(closer); }

NodePtr Parser::parseScriptItem() {
  NodePtr item = parseExpression();
  if (pos_ < text_.size() && !isBlank(text_[pos_]) && text_[pos_] != ';') {
    Token next = lexToken(text_, pos_, limits_.maxBytes, chars_);
    fail(vorn::kErrKelSyntax, pos_,
         "expected a blank or \";\" after the expression but found " + describeToken(next, text_));
  }
  return item;
}

NodePtr Parser::parseExpression() {
  NodePtr target = parseConditional();
  if (peek().kind != Tok::Assign) return target;
  Token assign = take();
  if (target->kind != NodeKind::Variable || target->parenthesized) {
    fail(vorn::kErrKelSyntax, assign.begin, "only a variable name can stand left of \"=\"");
  }
  vorn::DepthGuard guard = enterNesting(assign.begin);
  NodePtr node = makeNode(NodeKind::Assign, target->offset);
  node->name = std::move(target->name);
  node->kids.push_back(parseExpression());
  return node;
}

NodePtr Parser::parseConditional() {
  NodePtr condition = parseBinary(0);
  if (peek().kind != Tok::Question) return condition;
  vorn::DepthGuard guard = enterNesting(peek().begin);
  take();
  NodePtr node = makeNode(NodeKind::Conditional, condition->offset);
  node->kids.push_back(std::move(condition));
  node->kids.push_back(parseExpression());
  expect(Tok::Colon, ":");
  node->kids.push_back(parseConditional());
  return node;
}

// Precedence climbing: a right operand is parsed only for the tighter
// levels, so an operand costs a few stack frames however many levels there
// are. Operators of one level are gathered into one flat Chain, so that a
// long "1+1+1+..." makes a wide tree, not a deep one.
NodePtr Parser::parseBinary(int minLevel) {
  NodePtr left = parseUnary();
  for (;;) {
    std::optional<BinaryInfo> info = binaryOf(peek().kind);
    if (!info || info->level < minLevel) return left;
    const int level = info->level;
    NodePtr chain = makeNode(NodeKind::Chain, left->offset);
    chain->kids.push_back(std::move(left));
    while (info && info->level == level) {
      Token op = take();
      chain->ops.push_back(ChainStep{info->op, op.begin});
      chain->kids.push_back(parseBinary(level + 1));
      info = binaryOf(peek().kind);
    }
    left = std::move(chain);
  }
}

NodePtr Parser::parseUnary() {
  UnaryOp op;
  switch (peek().kind) {
    case Tok::Minus: op = UnaryOp::Negate; break;
    case Tok::Tilde: op = UnaryOp::BitNot; break;
    case Tok::Bang: op = UnaryOp::Not; break;
    default: return parsePrimary();
  }
  vorn::DepthGuard guard = enterNesting(peek().begin);
  NodePtr node = makeNode(NodeKind::Unary, take().begin);
  node->unaryOp = op;
  node->kids.push_back(parseUnary());
  return node;
}

NodePtr Parser::parsePrimary() {
  const Token& next = peek();
  switch (next.kind) {
    case Tok::Integer: {
      NodePtr node = makeNode(NodeKind::Literal, next.begin);
      node->literal = Value::ofInt(next.number);
      take();
      return node;
    }
    case Tok::Text: {
      NodePtr node = makeNode(NodeKind::Literal, next.begin);
      node->literal = Value::ofBytes(take().text);
      return node;
    }
    case Tok::Positional: {
      NodePtr node = makeNode(NodeKind::Positional, next.begin);
      node->index = take().number;
      return node;
    }
    case Tok::Name: {
      Token name = take();
      // A call's "(" follows the name directly: in "_len (" the "(" is the
      // caller's, not an argument list.
      if (pos_ < text_.size() && text_[pos_] == '(') return parseCall(std::move(name));
      NodePtr node = makeNode(NodeKind::Variable, name.begin);
      node->name = std::move(name.text);
      return node;
    }
    case Tok::LParen: {
      vorn::DepthGuard guard = enterNesting(take().begin);
      NodePtr node = parseSequence(Tok::RParen);
      node->parenthesized = true;
      return node;
    }
    default:
      unexpected(next, "an operand");
  }
}

NodePtr Parser::parseCall(Token name) {
  vorn::DepthGuard guard = enterNesting(name.begin);
  NodePtr node = makeNode(NodeKind::Call, name.begin);
  node->name = std::move(name.text);
  take();  // "("
  if (peek().kind == Tok::RParen) {
    take();
    return node;
  }
  for (;;) {
    node->kids.push_back(parseExpression());
    if (peek().kind == Tok::Comma) {
      take();
      continue;
    }
    if (peek().kind == Tok::RParen) {
      take();
      return node;
    }
    unexpected(peek(), "\",\" or \")\"");
  }
}

NodePtr Parser::parseSequence(Tok closer) {
  std::size_t begin = peek().begin;
  std::vector<NodePtr> items;
  items.push_back(parseExpression());
  while (peek().kind == Tok::Semicolon) {
    take();
    items.push_back(parseExpression());
  }
  expect(closer, closer == Tok::RParen ? ")" : "]");
  if (items.size() == 1) return std::move(items.front());
  NodePtr node = makeNode(NodeKind::Sequence, begin);
  node->kids = std::move(items);
  return node;
}

}  // namespace kel::detail
