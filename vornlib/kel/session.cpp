// The entry forms: parse as the form says, then evaluate, then check that the
// value is of the kind the caller wants.
#include <utility>
#include <vector>

#include "vornlib/breaks.h"
#include "vornlib/kel/evaluator.h"
#include "vornlib/kel/failure.h"
#include "vornlib/kel/kel.h"
#include "vornlib/kel/lexer.h"
#include "vornlib/kel/parser.h"

namespace kel {
namespace {

using detail::fail;
using detail::Failure;
using detail::Node;
using detail::NodePtr;

// A sequence's value is its last expression's: that is where a value of the
// wrong kind came from.
std::size_t valueOffset(const Node& node) {
  const Node* last = &node;
  while (last->kind == detail::NodeKind::Sequence) last = last->kids.back().get();
  return last->offset;
}

void checkWant(const Value& value, Want want, std::size_t offset) {
  if (want == Want::Integer && !value.isInt()) {
    fail(vorn::kErrKelType, offset, "the expression must give an integer, not a byte string");
  }
  if (want == Want::Bytes && !value.isBytes()) {
    fail(vorn::kErrKelType, offset, "the expression must give a byte string, not an integer");
  }
}

void checkStart(std::string_view text, std::size_t pos) {
  if (pos > text.size()) fail(vorn::kErrKelRange, text.size(), "the expression would start beyond the end of the text");
}

template <class Body>
Result<Evaluated> guarded(Body body) {
  try {
    return body();
  } catch (const Failure& failure) {
    return failure.error;
  }
}

}  // namespace

Session::Session(Host* host, Limits limits) : host_(host), limits_(limits), breakCheck_(vorn::breakPending) {}

Result<Evaluated> Session::evaluateOperand(std::string_view text, std::size_t pos, Want want) {
  return guarded([&] {
    checkStart(text, pos);
    detail::CharReader chars(text, encoding_);
    detail::Parser parser(text, pos, limits_, chars);
    NodePtr tree = parser.parseOperand();
    Value value = detail::Evaluator(host_, locals_, limits_, breakCheck_).evaluate(*tree);
    checkWant(value, want, valueOffset(*tree));
    return Evaluated{std::move(value), parser.position()};
  });
}

Result<Evaluated> Session::evaluateClosed(std::string_view text, std::size_t pos, Closer closer, Want want) {
  return guarded([&] {
    checkStart(text, pos);
    detail::CharReader chars(text, encoding_);
    detail::Parser parser(text, pos, limits_, chars);
    NodePtr tree = parser.parseClosed(closer == Closer::Paren ? detail::Tok::RParen : detail::Tok::RBracket);
    Value value = detail::Evaluator(host_, locals_, limits_, breakCheck_).evaluate(*tree);
    checkWant(value, want, valueOffset(*tree));
    return Evaluated{std::move(value), parser.position()};
  });
}

Result<Evaluated> Session::evaluateNext(std::string_view text, std::size_t pos, Want want) {
  return guarded([&] {
    checkStart(text, pos);
    detail::CharReader chars(text, encoding_);
    detail::Parser parser(text, skipSeparators(text, pos), limits_, chars);
    NodePtr tree = parser.parseScriptItem();
    Value value = detail::Evaluator(host_, locals_, limits_, breakCheck_).evaluate(*tree);
    checkWant(value, want, valueOffset(*tree));
    return Evaluated{std::move(value), parser.position()};
  });
}

Result<Evaluated> Session::evaluateAll(std::string_view text, std::size_t pos, Want want) {
  return guarded([&] {
    checkStart(text, pos);
    std::vector<NodePtr> script;
    detail::CharReader chars(text, encoding_);
    for (pos = skipSeparators(text, pos); pos < text.size(); pos = skipSeparators(text, pos)) {
      detail::Parser parser(text, pos, limits_, chars);
      script.push_back(parser.parseScriptItem());
      pos = parser.position();
    }
    if (script.empty()) fail(vorn::kErrKelSyntax, text.size(), "expected an expression but found the end of the text");
    detail::Evaluator evaluator(host_, locals_, limits_, breakCheck_);
    Value value;
    for (const NodePtr& tree : script) value = evaluator.evaluate(*tree);
    checkWant(value, want, valueOffset(*script.back()));
    return Evaluated{std::move(value), text.size()};
  });
}

std::size_t Session::skipSeparators(std::string_view text, std::size_t pos) {
  while (pos < text.size() && (detail::isBlank(text[pos]) || text[pos] == ';')) ++pos;
  return pos;
}

const Value* Session::local(std::string_view name) const {
  auto found = locals_.find(name);
  return found == locals_.end() ? nullptr : &found->second;
}

void Session::clearLocals() { locals_.clear(); }

}  // namespace kel
