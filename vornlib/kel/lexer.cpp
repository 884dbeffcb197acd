#include "vornlib/kel/lexer.h"

#include <cstdint>

#include "vornlib/shown_bytes.h"

namespace kel::detail {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Token invalid(Token token, std::size_t end, std::uint32_t code, std::size_t at, std::string message) {
  token.kind = Tok::Invalid;
  token.end = end;
  token.error = Error{code, at, std::move(message)};
  return token;
}

// Digits in base 10, 16 or 2 starting at `pos`; the value saturates above
// 2^32 so that the caller can tell "too large" without overflow.
std::uint64_t readDigits(std::string_view text, std::size_t& pos, int base) {
  std::uint64_t value = 0;
  while (pos < text.size()) {
    int d = base == 16 ? hexDigit(text[pos]) : (isDigit(text[pos]) ? text[pos] - '0' : -1);
    if (d < 0 || d >= base) break;
    value = value * base + d;
    if (value > 0xFFFFFFFFull + 1) value = 0xFFFFFFFFull + 2;
    ++pos;
  }
  return value;
}

Token lexNumber(std::string_view text, Token token) {
  std::size_t pos = token.begin;
  int base = 10;
  if (text[pos] == '0' && pos + 1 < text.size() && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    base = 16;
  } else if (text[pos] == '0' && pos + 1 < text.size() && (text[pos + 1] == 'b' || text[pos + 1] == 'B')) {
    base = 2;
  }
  if (base != 10) pos += 2;
  std::size_t digitsBegin = pos;
  std::uint64_t value = readDigits(text, pos, base);
  if (pos == digitsBegin) {
    return invalid(token, pos, vorn::kErrKelSyntax, token.begin,
                   base == 16 ? "\"0x\" without hexadecimal digits" : "\"0b\" without binary digits");
  }
  // Decimal goes up to 2^31 so that -2147483648 can be written; hex and
  // binary give any 32-bit pattern (0xFFFFFFFF is -1).
  std::uint64_t limit = base == 10 ? 0x80000000ull : 0xFFFFFFFFull;
  if (value > limit) {
    return invalid(token, pos, vorn::kErrKelRange, token.begin,
                   "the number " + std::string(text.substr(token.begin, pos - token.begin)) +
                       " does not fit in 32 bits");
  }
  token.kind = Tok::Integer;
  token.number = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  token.end = pos;
  return token;
}

// A multibyte character is taken whole, so that its second byte is never
// read as a backslash or a quote.
Token lexText(std::string_view text, Token token, std::size_t maxBytes, CharReader& chars) {
  std::size_t pos = token.begin + 1;
  std::string bytes;
  while (pos < text.size() && text[pos] != '"') {
    char c = text[pos];
    std::size_t length = c == '\\' ? 1 : chars.length(pos);
    if (bytes.size() + length > maxBytes) {
      return invalid(token, pos, vorn::kErrKelTooLong, token.begin,
                     "a text longer than " + std::to_string(maxBytes) + " bytes");
    }
    if (c != '\\') {
      bytes.append(text.substr(pos, length));
      pos += length;
      continue;
    }
    std::size_t escape = pos;
    if (pos + 1 >= text.size()) break;  // reported as unclosed below
    char e = text[pos + 1];
    pos += 2;
    switch (e) {
      case 'n': bytes.push_back('\n'); break;
      case 't': bytes.push_back('\t'); break;
      case '\\': bytes.push_back('\\'); break;
      case '"': bytes.push_back('"'); break;
      case 'x': {
        int hi = pos < text.size() ? hexDigit(text[pos]) : -1;
        int lo = pos + 1 < text.size() ? hexDigit(text[pos + 1]) : -1;
        if (hi < 0 || lo < 0) {
          return invalid(token, escape + 2, vorn::kErrKelSyntax, escape, "\"\\x\" needs two hexadecimal digits");
        }
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        pos += 2;
        break;
      }
      default:
        return invalid(token, escape + 1, vorn::kErrKelSyntax, escape,
                       "unknown escape \"\\" + std::string(1, e) + "\" in a text");
    }
  }
  if (pos >= text.size() || text[pos] != '"') {
    return invalid(token, text.size(), vorn::kErrKelSyntax, token.begin, "a text without its closing \"");
  }
  token.kind = Tok::Text;
  token.text = std::move(bytes);
  token.end = pos + 1;
  return token;
}

// x"F0 41 10": digit pairs, blanks allowed between pairs only.
Token lexHexBytes(std::string_view text, Token token, std::size_t maxBytes) {
  std::size_t pos = token.begin + 2;
  std::string bytes;
  while (pos < text.size() && text[pos] != '"') {
    if (isBlank(text[pos])) {
      ++pos;
      continue;
    }
    int hi = hexDigit(text[pos]);
    if (hi < 0) {
      return invalid(token, pos + 1, vorn::kErrKelSyntax, pos, "a byte string x\"...\" holds only hexadecimal digits");
    }
    int lo = pos + 1 < text.size() ? hexDigit(text[pos + 1]) : -1;
    if (lo < 0) {
      return invalid(token, pos + 1, vorn::kErrKelSyntax, pos,
                     "a byte in x\"...\" needs two hexadecimal digits");
    }
    if (bytes.size() >= maxBytes) {
      return invalid(token, pos, vorn::kErrKelTooLong, token.begin,
                     "a byte string longer than " + std::to_string(maxBytes) + " bytes");
    }
    bytes.push_back(static_cast<char>(hi * 16 + lo));
    pos += 2;
  }
  if (pos >= text.size()) {
    return invalid(token, text.size(), vorn::kErrKelSyntax, token.begin, "a byte string without its closing \"");
  }
  token.kind = Tok::Text;
  token.text = std::move(bytes);
  token.end = pos + 1;
  return token;
}

Token lexPositional(std::string_view text, Token token) {
  std::size_t pos = token.begin + 1;
  bool negative = pos < text.size() && text[pos] == '-';
  if (negative) ++pos;
  std::size_t digitsBegin = pos;
  std::uint64_t value = readDigits(text, pos, 10);
  if (pos == digitsBegin) {
    return invalid(token, pos, vorn::kErrKelSyntax, token.begin, "\"$\" must be followed by a number, as in $1 or $-1");
  }
  if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) {
    return invalid(token, pos, vorn::kErrKelRange, token.begin, "the parameter number does not fit in 32 bits");
  }
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  token.kind = Tok::Positional;
  token.number = static_cast<std::int32_t>(negative ? 0u - bits : bits);
  token.end = pos;
  return token;
}

struct Operator {
  std::string_view spelling;
  Tok kind;
};

// Longer spellings first, so that "<<" is not read as "<".
constexpr Operator kOperators[] = {
    {"<<", Tok::Shl}, {">>", Tok::Shr}, {"<=", Tok::LessEq}, {">=", Tok::GreaterEq},
    {"==", Tok::Equal}, {"!=", Tok::NotEqual}, {"&&", Tok::AmpAmp}, {"||", Tok::PipePipe},
    {"(", Tok::LParen}, {")", Tok::RParen}, {"]", Tok::RBracket}, {",", Tok::Comma},
    {";", Tok::Semicolon}, {"=", Tok::Assign}, {"?", Tok::Question}, {":", Tok::Colon},
    {"+", Tok::Plus}, {"-", Tok::Minus}, {"*", Tok::Star}, {"/", Tok::Slash},
    {"%", Tok::Percent}, {"<", Tok::Less}, {">", Tok::Greater}, {"&", Tok::Amp},
    {"^", Tok::Caret}, {"|", Tok::Pipe}, {"~", Tok::Tilde}, {"!", Tok::Bang},
};

}  // namespace

std::size_t CharReader::length(std::size_t pos) {
  if (static_cast<unsigned char>(text_[pos]) < 0x80) return 1;
  if (!encoding_) encoding_ = vorn::detectEncoding(text_);
  std::string_view rest = text_.substr(pos);
  vorn::VornJchr(rest, *encoding_);
  return text_.size() - pos - rest.size();
}

Token lexToken(std::string_view text, std::size_t pos, std::size_t maxBytes, CharReader& chars) {
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  Token token;
  token.begin = pos;
  token.end = pos;
  if (pos >= text.size()) return token;  // Tok::End

  char c = text[pos];
  if (isDigit(c)) return lexNumber(text, std::move(token));
  if (c == '"') return lexText(text, std::move(token), maxBytes, chars);
  if (c == '$') return lexPositional(text, std::move(token));
  if (c == 'x' && pos + 1 < text.size() && text[pos + 1] == '"') return lexHexBytes(text, std::move(token), maxBytes);
  if (isNameStart(c)) {
    std::size_t end = pos + 1;
    while (end < text.size() && isNameChar(text[end])) ++end;
    token.kind = Tok::Name;
    token.text = std::string(text.substr(pos, end - pos));
    token.end = end;
    return token;
  }
  for (const Operator& op : kOperators) {
    if (text.substr(pos, op.spelling.size()) == op.spelling) {
      token.kind = op.kind;
      token.end = pos + op.spelling.size();
      return token;
    }
  }
  std::size_t end = pos + chars.length(pos);
  return invalid(std::move(token), end, vorn::kErrKelSyntax, pos,
                 "unexpected character " + quoteSource(text, pos, end));
}

std::string describeToken(const Token& token, std::string_view text) {
  if (token.kind == Tok::End) return "the end of the text";
  return quoteSource(text, token.begin, token.end);
}

std::string quoteSource(std::string_view text, std::size_t begin, std::size_t end) {
  std::string_view spelling = text.substr(begin, end - begin);
  constexpr std::size_t kShown = 24;
  std::string shown;
  for (char c : spelling.substr(0, kShown)) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F) {
      shown += "\\x" + vorn::hexByte(b);
    } else {
      if (c == '"' || c == '\\') shown += '\\';
      shown += c;
    }
  }
  if (spelling.size() > kShown) shown += "...";
  return "\"" + shown + "\"";
}

}  // namespace kel::detail
