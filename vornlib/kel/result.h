#pragma once
// Errors and the result type of the evaluator's API. Nothing in the API
// throws: every failure comes back as an Error inside a Result.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "vornlib/errors.h"

namespace kel {

struct Error {
  std::uint32_t code = vorn::kErrKelSyntax;  // one of vorn::kErrKel*
  std::size_t offset = 0;                    // byte offset in the evaluated text
  std::string message;                       // English, names what was wrong

  // A refusal from a host. The evaluator sets the offset to the name's.
  static Error host(std::string message, std::uint32_t code = vorn::kErrKelHost) {
    return Error{code, 0, std::move(message)};
  }
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : data_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return data_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Preconditions: ok() for value(), !ok() for error().
  T& value() { return std::get<0>(data_); }
  const T& value() const { return std::get<0>(data_); }
  const Error& error() const { return std::get<1>(data_); }

 private:
  std::variant<T, Error> data_;
};

}  // namespace kel
