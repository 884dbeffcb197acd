#pragma once
// A KEL value: a 32-bit signed integer or a byte string (which also serves as
// a text). Values are plain data; copying one copies its bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kel {

enum class Kind { Integer, Bytes };

class Value {
 public:
  Value() = default;  // the integer 0
  static Value ofInt(std::int32_t n) { return Value(Data(n)); }
  static Value ofBytes(std::string bytes) { return Value(Data(std::move(bytes))); }

  Kind kind() const { return std::holds_alternative<std::int32_t>(data_) ? Kind::Integer : Kind::Bytes; }
  bool isInt() const { return kind() == Kind::Integer; }
  bool isBytes() const { return kind() == Kind::Bytes; }

  // Preconditions: isInt() / isBytes().
  std::int32_t asInt() const { return std::get<std::int32_t>(data_); }
  const std::string& asBytes() const { return std::get<std::string>(data_); }
  std::string& asBytes() { return std::get<std::string>(data_); }

  friend bool operator==(const Value&, const Value&) = default;

 private:
  using Data = std::variant<std::int32_t, std::string>;
  explicit Value(Data data) : data_(std::move(data)) {}
  Data data_{std::int32_t{0}};
};

// "an integer" or "a byte string", for messages.
std::string_view kindName(Kind kind);

// The value written as a KEL literal: 42, "text" or x"F0 41" (bytes that are
// not printable ASCII make the hex form). For messages and test output.
std::string toLiteral(const Value& value);

}  // namespace kel
