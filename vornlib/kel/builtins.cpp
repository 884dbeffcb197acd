#include "vornlib/kel/builtins.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "vornlib/checksum7.h"
#include "vornlib/kel/failure.h"
#include "vornlib/kel/lexer.h"

namespace kel::detail {
namespace {

std::string argumentName(const CallSite& site, std::size_t i) {
  return std::string(site.name) + ": argument " + std::to_string(i + 1);
}

std::int32_t intArg(std::span<const Value> args, std::size_t i, const CallSite& site) {
  if (!args[i].isInt()) {
    fail(vorn::kErrKelType, site.argOffsets[i], argumentName(site, i) + " must be an integer, not a byte string");
  }
  return args[i].asInt();
}

const std::string& bytesArg(std::span<const Value> args, std::size_t i, const CallSite& site) {
  if (!args[i].isBytes()) {
    fail(vorn::kErrKelType, site.argOffsets[i], argumentName(site, i) + " must be a byte string, not an integer");
  }
  return args[i].asBytes();
}

[[noreturn]] void outOfRange(const CallSite& site, std::size_t i, std::int64_t value, std::string_view allowed) {
  fail(vorn::kErrKelRange, site.argOffsets[i],
       argumentName(site, i) + " is " + std::to_string(value) + ", outside " + std::string(allowed));
}

Value len(std::span<const Value> args, const CallSite& site) {
  return Value::ofInt(static_cast<std::int32_t>(bytesArg(args, 0, site).size()));
}

Value str(std::span<const Value> args, const CallSite& site) {
  return Value::ofBytes(std::to_string(intArg(args, 0, site)));
}

// Upper-case digits of the 32-bit pattern, no prefix, at least `width` long.
Value hex(std::span<const Value> args, const CallSite& site) {
  auto n = static_cast<std::uint32_t>(intArg(args, 0, site));
  std::int32_t width = args.size() > 1 ? intArg(args, 1, site) : 0;
  if (width < 0 || width > 8) outOfRange(site, 1, width, "0..8");
  static const char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[n & 15]);
    n >>= 4;
  } while (n != 0);
  if (digits.size() < static_cast<std::size_t>(width)) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return Value::ofBytes(std::move(digits));
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

// A number written as in an expression, with an optional sign and blanks
// around it: int(" -0x10 ") is -16. Decimal must fit a signed 32-bit
// integer; hexadecimal and binary give any 32-bit pattern.
Value toInt(std::span<const Value> args, const CallSite& site) {
  const std::string& text = bytesArg(args, 0, site);
  std::size_t pos = 0;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  int base = 10;
  if (pos + 1 < text.size() && text[pos] == '0') {
    char prefix = text[pos + 1];
    if (prefix == 'x' || prefix == 'X') base = 16;
    if (prefix == 'b' || prefix == 'B') base = 2;
    if (base != 10) pos += 2;
  }
  std::size_t digitsBegin = pos;
  std::uint64_t magnitude = 0;
  for (; pos < text.size() && digitValue(text[pos]) < base; ++pos) {
    magnitude = std::min<std::uint64_t>(magnitude * base + digitValue(text[pos]), std::uint64_t{1} << 33);
  }
  bool digits = pos > digitsBegin;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  if (!digits || pos != text.size()) {
    fail(vorn::kErrKelArguments, site.argOffsets[0], "int: " + quoteSource(text, 0, text.size()) + " is not a number");
  }
  std::uint64_t limit = base != 10 ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
  if (magnitude > limit) {
    fail(vorn::kErrKelRange, site.argOffsets[0], "int: " + quoteSource(text, 0, text.size()) + " does not fit in 32 bits");
  }
  auto bits = static_cast<std::uint32_t>(magnitude);
  return Value::ofInt(static_cast<std::int32_t>(negative ? 0u - bits : bits));
}

Value byteAt(std::span<const Value> args, const CallSite& site) {
  const std::string& bytes = bytesArg(args, 0, site);
  std::int32_t i = intArg(args, 1, site);
  if (i < 0 || static_cast<std::size_t>(i) >= bytes.size()) {
    outOfRange(site, 1, i, bytes.empty() ? "the empty string" : "0.." + std::to_string(bytes.size() - 1));
  }
  return Value::ofInt(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]));
}

// sub(s, start[, count]): count is cut to what the string holds.
Value sub(std::span<const Value> args, const CallSite& site) {
  const std::string& bytes = bytesArg(args, 0, site);
  std::int32_t start = intArg(args, 1, site);
  if (start < 0 || static_cast<std::size_t>(start) > bytes.size()) {
    outOfRange(site, 1, start, "0.." + std::to_string(bytes.size()));
  }
  std::size_t count = std::string::npos;
  if (args.size() > 2) {
    std::int32_t n = intArg(args, 2, site);
    if (n < 0) outOfRange(site, 2, n, "0 and up");
    count = static_cast<std::size_t>(n);
  }
  return Value::ofBytes(bytes.substr(static_cast<std::size_t>(start), count));
}

Value bytes(std::span<const Value> args, const CallSite& site) {
  if (args.size() > site.maxBytes) {
    fail(vorn::kErrKelTooLong, site.offset, "the result would be longer than " + std::to_string(site.maxBytes) + " bytes");
  }
  std::string result;
  for (std::size_t i = 0; i < args.size(); ++i) result.push_back(static_cast<char>(intArg(args, i, site) & 0xFF));
  return Value::ofBytes(std::move(result));
}

// b7(n, count): n in `count` 7-bit bytes, most significant first, as SysEx
// addresses and sizes are written. n must fit; nothing is cut off silently.
Value b7(std::span<const Value> args, const CallSite& site) {
  std::int32_t n = intArg(args, 0, site);
  std::int32_t count = intArg(args, 1, site);
  if (count < 1 || count > 5) outOfRange(site, 1, count, "1..5");
  std::uint64_t limit = std::uint64_t{1} << (7 * count);
  if (n < 0 || static_cast<std::uint64_t>(n) >= limit) {
    outOfRange(site, 0, n, "0.." + std::to_string(std::min<std::uint64_t>(limit - 1, 0x7FFFFFFF)));
  }
  std::string result;
  for (std::int32_t i = count - 1; i >= 0; --i) result.push_back(static_cast<char>((n >> (7 * i)) & 0x7F));
  return Value::ofBytes(std::move(result));
}

std::uint8_t byteSum(std::span<const Value> args, const CallSite& site) {
  const std::string& bytes = bytesArg(args, 0, site);
  return vorn::runningSum(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// The three checksum bytes SysEx messages carry, as the selection language's
// .SUM7, .CSUM7 and .KSUM7 test them.
Value sum7(std::span<const Value> args, const CallSite& site) {
  return Value::ofInt(vorn::sum7(byteSum(args, site)));
}
Value csum7(std::span<const Value> args, const CallSite& site) {
  return Value::ofInt(vorn::csum7(byteSum(args, site)));
}
Value ksum7(std::span<const Value> args, const CallSite& site) {
  return Value::ofInt(vorn::ksum7(byteSum(args, site)));
}

constexpr std::size_t kAny = std::numeric_limits<std::size_t>::max();

constexpr Builtin kBuiltins[] = {
    {"len", 1, 1, len},       {"str", 1, 1, str},       {"hex", 1, 2, hex},
    {"int", 1, 1, toInt},     {"byte", 2, 2, byteAt},   {"sub", 2, 3, sub},
    {"bytes", 0, kAny, bytes}, {"b7", 2, 2, b7},        {"sum7", 1, 1, sum7},
    {"csum7", 1, 1, csum7},   {"ksum7", 1, 1, ksum7},   {"if", 3, 3, nullptr},
    {"for", 4, 4, nullptr},
};

}  // namespace

const Builtin* findBuiltin(std::string_view name) {
  for (const Builtin& builtin : kBuiltins) {
    if (builtin.name == name) return &builtin;
  }
  return nullptr;
}

}  // namespace kel::detail
