#pragma once
// The outcome of a call that gives nothing else back: true on success, else
// the fault (fault.h), as every library call that can fail gives it.
#include <optional>
#include <utility>

#include "vornlib/fault.h"

namespace vorn {

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Fault fault) : fault_(std::move(fault)) {}  // NOLINT: a fault is a failed status

  bool ok() const { return !fault_; }
  explicit operator bool() const { return ok(); }
  // Only for a failed status.
  const Fault& fault() const { return *fault_; }

 private:
  std::optional<Fault> fault_;
};

}  // namespace vorn
