#include "sysex/pattern_compiler.h"

#include "sysex/pattern_code.h"
#include "vornlib/jchr.h"
#include "vornlib/numbers.h"

namespace sysex {
namespace {

// Every code up to the blank is a separator: blank, tab, line ends, control characters.
bool isSeparator(std::uint32_t code) { return code >= 1 && code <= vorn::jc(' '); }

bool isNameByte(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

struct SyntaxFault {
  std::size_t offset;
  const char* what;
};

class PatternCompiler {
 public:
  PatternCompiler(std::string_view text, const PatternValues& values, std::vector<std::uint8_t>& program)
      : text_(text), rest_(text), encoding_(vorn::detectEncoding(text)), values_(values), program_(program) {}

  // Throws SyntaxFault.
  void compile() {
    std::size_t start = program_.size();
    program_.insert(program_.end(), kRecordHeaderSize, 0);
    for (;;) {
      while (isSeparator(peek())) next();
      if (peek() == vorn::kJchrEnd) break;
      compileItem();
      std::uint32_t after = peek();
      if (after != vorn::kJchrEnd && !isSeparator(after)) fail("an item must be followed by a blank");
    }
    if (depth_ != 0) fail(".REP without its .REPE");
    program_.push_back(kOpEnd);
    std::size_t length = program_.size() - start;
    if (length > 0xFFFFFFFFu) fail("the pattern is too long");
    for (int i = 0; i < 4; ++i) program_[start + i] = static_cast<std::uint8_t>(length >> (8 * i));
  }

 private:
  std::uint32_t next() { return vorn::VornJchr(rest_, encoding_); }
  std::uint32_t peek() const {
    std::string_view copy = rest_;
    return vorn::VornJchr(copy, encoding_);
  }
  std::size_t offset() const { return text_.size() - rest_.size(); }
  [[noreturn]] void fail(const char* what) const { throw SyntaxFault{offset(), what}; }

  void emit(std::uint8_t b) { program_.push_back(b); }
  void emitWithOperand(std::uint8_t op, std::uint32_t operand) {
    emit(op);
    for (int i = 0; i < 4; ++i) emit(static_cast<std::uint8_t>(operand >> (8 * i)));
  }
  void emitLiteral(std::uint64_t value) {
    if (value > 0x7F) fail("a data byte must lie between 00 and 7F");
    emit(static_cast<std::uint8_t>(value));
  }

  // A number parsed from the raw text where the scanner stands.
  template <typename Parser>
  std::uint32_t number(Parser parse) {
    vorn::NumberResult r = parse(rest_);
    if (r.status == vorn::NumberStatus::Overflow) fail("the number is too large");
    if (!r.ok()) fail("a number was expected");
    return r.value;
  }

  void compileItem() {
    std::string_view itemStart = rest_;
    std::uint32_t c = next();
    if (c == vorn::jc('"') || c == vorn::jc('\'')) {
      compileString(c);
    } else if (c == vorn::jc('%')) {
      rest_ = itemStart;
      emitLiteral(number(vorn::Strz2DwordBinEx));
    } else if (c == vorn::jc('&')) {
      emitLiteral(number(vorn::Strz2DwordEx));
    } else if (c == vorn::jc('.')) {
      compileKeyword();
    } else if (c == vorn::jc('/')) {
      emit(kOpResetSum);
    } else if (c == vorn::jc('?')) {
      emit(kOpAny);
      while (peek() == vorn::jc('?')) {
        next();
        emit(kOpAny);
      }
    } else if (c == vorn::jc('{')) {
      emit(kOpRangeOpen);
    } else if (c == vorn::jc('}')) {
      emit(kOpRangeClose);
    } else {
      rest_ = itemStart;
      emitLiteral(number(vorn::Strz2DwordHexEx));
    }
  }

  // Up to the next unpaired quote; a doubled quote is one quote character.
  void compileString(std::uint32_t quote) {
    for (;;) {
      std::uint32_t c = next();
      if (c == vorn::kJchrEnd) fail("the string has no closing quote");
      if (c == quote) {
        if (peek() != quote) return;
        next();
      } else if (c < vorn::jc(' ') || c > 0x20FF || (c & 0xFF) >= 0x80) {
        fail("a string may hold only printable ASCII characters");
      }
      emit(static_cast<std::uint8_t>(c & 0x7F));
    }
  }

  // "(" then "&" and a decimal number or a hexadecimal number, then ")".
  std::uint32_t argument() {
    if (peek() != vorn::jc('(')) fail("the keyword needs an argument in parentheses");
    next();
    std::uint32_t value;
    if (peek() == vorn::jc('&')) {
      next();
      value = number(vorn::Strz2DwordEx);
    } else {
      value = number(vorn::Strz2DwordHexEx);
    }
    if (peek() != vorn::jc(')')) fail("the argument must be closed by \")\"");
    next();
    return value;
  }
  std::uint32_t optionalArgument() { return peek() == vorn::jc('(') ? argument() : 0; }

  void compileKeyword() {
    std::size_t nameStart = offset();
    std::size_t length = 0;
    while (length < rest_.size() && isNameByte(rest_[length])) ++length;
    std::string_view name = rest_.substr(0, length);
    rest_.remove_prefix(length);
    auto is = [name](std::string_view keyword) { return vorn::JstrzCmpi(name, keyword) == 0; };

    if (is("TAIL")) {
      emit(kOpTail);
    } else if (is("BLK")) {
      emitWithOperand(kOpBlock, argument());
    } else if (is("SUM7")) {
      emit(kOpSum7);
    } else if (is("CSUM7")) {
      emit(kOpCsum7);
    } else if (is("KSUM7")) {
      emit(kOpKsum7);
    } else if (is("XLEN")) {
      std::uint32_t n = argument();
      if (n < 1 || n > 4) fail(".XLEN takes 1 to 4 bytes");
      emitWithOperand(kOpXLen, n);
    } else if (is("XBLK")) {
      emit(kOpXBlock);
    } else if (is("LEN")) {
      emitWithOperand(kOpLength, argument());
    } else if (is("LAST")) {
      emitWithOperand(kOpLast, argument());
    } else if (is("REP")) {
      std::uint32_t n = argument();
      if (n == 0) fail(".REP needs a count above 0");
      if (depth_ >= kMaxRepeatDepth) fail(".REP nested more than 128 deep");
      ++depth_;
      emitWithOperand(kOpRepeat, n);
    } else if (is("REPE")) {
      if (depth_ == 0) fail(".REPE without .REP");
      --depth_;
      emit(kOpRepeatEnd);
    } else if (is("ID")) {
      // A sum from 0x80 up would read as an operation, so it is refused.
      emitLiteral(std::uint64_t{values_.id} + optionalArgument());
    } else if (name.size() == 2 && (name[0] == 'P' || name[0] == 'p') && name[1] >= '0' && name[1] <= '9') {
      emitLiteral(std::uint64_t{values_.params[name[1] - '0']} + optionalArgument());
    } else {
      throw SyntaxFault{nameStart, "unknown keyword"};
    }
  }

  std::string_view text_;
  std::string_view rest_;
  vorn::TextEncoding encoding_;
  const PatternValues& values_;
  std::vector<std::uint8_t>& program_;
  unsigned depth_ = 0;
};

}  // namespace

std::optional<PatternSyntaxError> compilePattern(std::string_view text, const PatternValues& values,
                                                 std::vector<std::uint8_t>& program) {
  std::size_t before = program.size();
  try {
    PatternCompiler(text, values, program).compile();
  } catch (const SyntaxFault& fault) {
    program.resize(before);
    return PatternSyntaxError{fault.offset, fault.what};
  }
  return std::nullopt;
}

std::string patternFileText(std::string_view fileBytes) {
  vorn::TextEncoding encoding = vorn::detectEncoding(fileBytes);
  std::string text;
  std::string_view rest = fileBytes;
  while (!rest.empty()) {
    std::uint32_t code = vorn::VornJchr(rest, encoding);
    if (code == vorn::kJchrEnd) {
      rest.remove_prefix(1);  // a NUL byte: a control character like the others
      continue;
    }
    if (code < 0x20 && code != '\t' && code != '\n') continue;
    vorn::appendJchr(text, code);
  }
  return text;
}

}  // namespace sysex
