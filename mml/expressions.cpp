// Where expressions take part: "_" numeric arguments, "(" bytes inside
// SysEx data, and the "@(" / "@[" expansions, whose text is compiled in
// place of the expression.
#include <string>

#include "mml/compiler.h"

namespace mml {
namespace {

constexpr const char* kExpansionStart = "\n/*=== macro start ===\n";
constexpr const char* kExpansionEnd = "\n=== macro end ===*/\n";

// A break stops the evaluator with an error of its own; the compilation
// then stops as for a break, not with a compile error.
[[noreturn]] void expressionFailed(const Reader& reader, std::string_view message, const kel::Error& error) {
  stopOnBreak();
  reader.syntaxErrorAt(message, error.offset, error.message);
}

}  // namespace

kel::Result<kel::Evaluated> Compiler::evaluate(Expression form) {
  if (++expressions_ > settings_.maxExpressions) reader_.syntaxError("式が多すぎます。");
  // SysEx expressions compute bytes alone; the others see the voice.
  host_.setVoice(form == Expression::SysexBytes ? nullptr : voice_);
  host_.setListingOn(reader_.listingOn());
  session_.setEncoding(reader_.encoding());
  std::string_view text = reader_.text();
  std::size_t start = reader_.readPos();
  kel::Result<kel::Evaluated> result = kel::Error{};
  switch (form) {
    case Expression::Number:
      result = session_.evaluateOperand(text, start, kel::Want::Integer);
      break;
    case Expression::SysexBytes:
    case Expression::SubBlock:
      result = session_.evaluateClosed(text, start, kel::Closer::Paren, kel::Want::Bytes);
      break;
    case Expression::InPlace:
      result = session_.evaluateClosed(text, start, kel::Closer::Bracket, kel::Want::Bytes);
      break;
  }
  if (std::string out = host_.takeListingText(); !out.empty()) reader_.echo(out);
  return result;
}

std::int32_t Compiler::readExpressionNumber() {
  kel::Result<kel::Evaluated> result = evaluate(Expression::Number);
  if (!result) expressionFailed(reader_, "KELEXPR式の誤り", result.error());
  reader_.advanceTo(result.value().end);
  return result.value().value.asInt();
}

void Compiler::sysexExpression(std::uint8_t& sum) {
  kel::Result<kel::Evaluated> result = evaluate(Expression::SysexBytes);
  if (!result) expressionFailed(reader_, "KELEXPR式の誤り", result.error());
  reader_.advanceTo(result.value().end);
  for (char byte : result.value().value.asBytes()) putSysexByte(static_cast<std::uint8_t>(byte), sum);
}

void Compiler::expandText(VoiceContext& voice, Expression form, std::size_t at) {
  kel::Result<kel::Evaluated> result = evaluate(form);
  if (!result) expressionFailed(reader_, "式がエラー", result.error());
  reader_.advanceTo(result.value().end);
  // Each expansion reads its own copy of its text, so nested expansions
  // never move it.
  std::string text = std::move(result.value().value.asBytes());
  expandedBytes_ += text.size();
  if (expandedBytes_ > settings_.maxExpandedBytes) reader_.syntaxErrorAt("展開が多すぎます。", at);

  bool listingWasOn = reader_.listingOn();
  if (!settings_.listExpand) {
    reader_.setListingOn(false);
  } else if (listingWasOn) {
    reader_.echo(kExpansionStart);
  }
  Reader::Place place = reader_.enterText(text, at);
  if (form == Expression::SubBlock) {
    voice.time = parseBlock(voice.channel, voice.time);
  } else {
    vorn::DepthGuard nesting = enterNesting();
    parseCommands(voice);
  }
  reader_.skipBlanks();
  if (reader_.readChar() != 0) reader_.syntaxError("式展開の誤り");
  if (!settings_.listExpand) {
    reader_.setListingOn(listingWasOn);
  } else if (listingWasOn) {
    reader_.echo(kExpansionEnd);
  }
  reader_.leaveText(place);
}

}  // namespace mml
