#pragma once
// What expressions in MML see of the voice being compiled: the positional
// parameters $1 to $6 (channel, tick, offset, mark, measure top, measure
// length, as decimal texts), the same values as the variables channel,
// tick, offset, mark, mtop and mlen (in any letter case), and the function
// out(text), which writes its text into the listing.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "mml/voice.h"
#include "vornlib/kel/host.h"

namespace mml {

class ExpressionHost : public kel::Host {
 public:
  // The voice whose values are lent; null lends nothing (at the top level).
  void setVoice(const VoiceContext* voice) { voice_ = voice; }
  // Whether out() writes: the listing is on.
  void setListingOn(bool on) { listingOn_ = on; }

  // What out() wrote during the last evaluation, for the listing; taken
  // (and cleared) by the caller once the evaluation is over.
  std::string takeListingText() { return std::exchange(listingText_, std::string()); }

  bool hasVariable(std::string_view name) override;
  kel::Result<kel::Value> readVariable(std::string_view name) override;
  bool hasFunction(std::string_view name) override;
  kel::Result<kel::Value> callFunction(std::string_view name, std::span<const kel::Value> args) override;
  std::optional<std::string> positional(std::int32_t n) override;

 private:
  // The voice value a variable name stands for, or nothing.
  std::optional<std::int32_t> valueOf(std::string_view name) const;

  const VoiceContext* voice_ = nullptr;
  bool listingOn_ = false;
  std::string listingText_;
};

}  // namespace mml
