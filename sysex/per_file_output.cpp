#include "sysex/per_file_output.h"

#include <cerrno>
#include <optional>

#include "vornlib/errors.h"
#include "vornlib/paths.h"
#include "vornlib/run_inputs.h"

namespace sysex {

bool PerFileOutputs::dirOption(std::string_view dir) {
  on_ = true;
  dir_ = std::string(dir);
  return true;
}

std::optional<std::string> PerFileOutputs::pathFor(const char* name) const {
  std::string base(name ? vorn::baseNameWithoutExtension(name) : "stdin");
  return vorn::JstrzPathConc(dir_, base + ".syx");
}

vorn::Status PerFileOutputs::open(const std::string& path, const char* name, vorn::ByteOutput& out) {
  const std::string source = vorn::inputDisplayName(name);
  if (std::optional<std::string> first = written_.writtenFor(path.c_str())) {
    return vorn::Fault{"already written in this run from " + *first + "; " + source + " skipped", std::nullopt,
                       vorn::kErrMalformedInput, path};
  }
  if (vorn::Status checked = vorn::checkOutputIsNoInput(path.c_str()); !checked) {
    // Told as its text alone.
    return vorn::Fault{checked.fault().text, std::nullopt, checked.fault().code};
  }
  if (!out.open(path.c_str())) return vorn::Fault{"", std::nullopt, static_cast<std::uint32_t>(errno), path};
  written_.record(path.c_str(), source);
  return {};
}

}  // namespace sysex
