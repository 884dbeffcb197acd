#include "mml/expression_host.h"

#include <utility>

#include "vornlib/jchr.h"

namespace mml {
namespace {

constexpr std::size_t kMaxListingText = std::size_t{64} << 20;

}  // namespace

std::optional<std::int32_t> ExpressionHost::valueOf(std::string_view name) const {
  if (voice_ == nullptr) return std::nullopt;
  const std::pair<std::string_view, std::int32_t> names[] = {
      {"channel", voice_->channel}, {"tick", voice_->time},      {"offset", voice_->offset},
      {"mark", voice_->mark},       {"mtop", voice_->measureTop}, {"mlen", voice_->measureLength},
  };
  for (const auto& [known, value] : names) {
    if (vorn::JstrzCmpi(name, known) == 0) return value;
  }
  return std::nullopt;
}

bool ExpressionHost::hasVariable(std::string_view name) { return valueOf(name).has_value(); }

kel::Result<kel::Value> ExpressionHost::readVariable(std::string_view name) {
  std::optional<std::int32_t> value = valueOf(name);
  if (!value) return kel::Error::host("\"" + std::string(name) + "\" is not a voice value");
  return kel::Value::ofInt(*value);
}

bool ExpressionHost::hasFunction(std::string_view name) {
  return voice_ != nullptr && vorn::JstrzCmpi(name, "out") == 0;
}

kel::Result<kel::Value> ExpressionHost::callFunction(std::string_view name, std::span<const kel::Value> args) {
  if (args.size() != 1 || !args[0].isBytes()) {
    return kel::Error::host(std::string(name) + " takes one text", vorn::kErrKelArguments);
  }
  if (listingOn_) {
    // Held until the evaluation is over; a loop must not grow it without bound.
    if (listingText_.size() + args[0].asBytes().size() > kMaxListingText) {
      return kel::Error::host(std::string(name) + ": more than 64 MiB of listing text in one expression");
    }
    listingText_ += args[0].asBytes();
  }
  return kel::Value::ofInt(1);
}

std::optional<std::string> ExpressionHost::positional(std::int32_t n) {
  if (voice_ == nullptr) return std::nullopt;
  switch (n) {
    case 1: return std::to_string(static_cast<std::uint32_t>(voice_->channel));
    case 2: return std::to_string(voice_->time);
    case 3: return std::to_string(voice_->offset);
    case 4: return std::to_string(voice_->mark);
    case 5: return std::to_string(voice_->measureTop);
    case 6: return std::to_string(voice_->measureLength);
    default: return std::nullopt;
  }
}

}  // namespace mml
