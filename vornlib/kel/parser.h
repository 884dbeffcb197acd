#pragma once
// Builds the tree of one expression (or one bracketed sequence) from the
// text, consuming exactly the tokens that belong to it.
#include <cstddef>
#include <string_view>

#include "vornlib/depth_guard.h"
#include "vornlib/kel/ast.h"
#include "vornlib/kel/kel.h"
#include "vornlib/kel/lexer.h"

namespace kel::detail {

class Parser {
 public:
  // `chars` reads the same text; the parsers of one entry call share it.
  Parser(std::string_view text, std::size_t pos, const Limits& limits, CharReader& chars);

  // The four ways an expression ends (see kel.h); each fails with a syntax,
  // range, too-long or too-deep error.
  NodePtr parseOperand();
  NodePtr parseClosed(Tok closer);  // Tok::RParen or Tok::RBracket
  NodePtr parseScriptItem();

  // Just behind the last token consumed.
  std::size_t position() const { return pos_; }

 private:
  NodePtr parseExpression();
  NodePtr parseConditional();
  NodePtr parseBinary(int minLevel);  // operators of `minLevel` and tighter
  NodePtr parseUnary();
  NodePtr parsePrimary();
  NodePtr parseCall(Token name);
  NodePtr parseSequence(Tok closer);

  const Token& peek();
  Token take();
  Token expect(Tok kind, std::string_view spelling);
  [[noreturn]] void unexpected(const Token& token, std::string_view wanted);
  // One level of nesting (a bracket, a call, a unary operator, a "?:", an
  // "=") for the guard's lifetime; the bound keeps both this recursive parser
  // and the evaluator's recursion off the stack's end.
  [[nodiscard]] vorn::DepthGuard enterNesting(std::size_t offset);

  std::string_view text_;
  std::size_t pos_;
  const Limits& limits_;
  CharReader& chars_;
  std::size_t depth_ = 0;
  Token peeked_;
  bool hasPeeked_ = false;
};

}  // namespace kel::detail
