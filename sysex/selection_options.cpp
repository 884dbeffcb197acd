#include "sysex/selection_options.h"

#include <algorithm>

#include "sysex/selector.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/run_inputs.h"
#include "vornlib/streams.h"

namespace sysex {
namespace {

constexpr std::size_t kPatternFileLimit = 16 << 20;

bool byteValue(std::string_view text, std::uint8_t& out) {
  std::uint32_t value;
  if (!vorn::parseWholeHex(text, value) || value > 0x7F) return false;
  out = static_cast<std::uint8_t>(value);
  return true;
}

// "p.txt:2:5": a pattern file's line ends survive into its text, so lines
// count as in the file (columns too, unless the line held control characters).
std::string placeInFile(const std::string& fileName, std::string_view text, std::size_t offset) {
  std::string_view before = text.substr(0, offset);
  std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  std::size_t lineStart = before.rfind('\n');
  std::size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
  return fileName + ":" + std::to_string(line) + ":" + std::to_string(column);
}

}  // namespace

bool SelectionOptions::count(std::string_view text) {
  if (!text.empty() && text != "T" && text != "t") return false;
  flags &= ~(kSelectCountT | kSelectExtract);
  flags |= kSelectCount;
  if (!text.empty()) flags |= kSelectCountT;
  return true;
}

bool SelectionOptions::extract(std::string_view text) {
  if (!text.empty()) return false;
  flags &= ~(kSelectCount | kSelectCountT);
  flags |= kSelectExtract;
  return true;
}

bool SelectionOptions::id(std::string_view text) { return byteValue(text, values.id); }

bool SelectionOptions::param(std::string_view text) {
  if (text.size() < 3 || text[0] < '0' || text[0] > '9' || text[1] != '=') return false;
  return byteValue(text.substr(2), values.params[text[0] - '0']);
}

vorn::Status SelectionOptions::pattern(std::string_view text) {
  std::string source;
  std::string fileName;
  if (text[0] == ':') {
    fileName = std::string(text.substr(1));
    vorn::addRunInput(fileName.c_str());
    std::string bytes;
    if (vorn::Status read = vorn::readWholeFile(fileName.c_str(), kPatternFileLimit, bytes); !read) return read;
    source = patternFileText(bytes);
  } else {
    source = std::string(text);
  }
  auto error = compilePattern(source, values, program);
  if (!error) return {};
  std::string what = vorn::errorText(vorn::kErrBadSelection) + ": " + error->what;
  if (fileName.empty()) return vorn::Fault{what, error->offset, vorn::kErrBadSelection, "-S" + source};
  return vorn::Fault{placeInFile(fileName, source, error->offset) + ": " + what, std::nullopt, vorn::kErrBadSelection};
}

std::optional<std::string> SelectionOptions::nothingSelectableNote() const {
  const bool all = flags & kSelectAll, invert = flags & kSelectInvert;
  if (program.empty() && all == invert) {
    return all ? "no message can be selected: -A with no pattern selects every message, and -V inverts that"
               : "no message can be selected: no pattern was given (-Spattern); -A or -V alone selects every "
                 "message";
  }
  if ((flags & kSelectExtract) && invert) {
    return "nothing can be written: -E writes the ranges a pattern marks, and the messages -V selects "
           "matched no pattern";
  }
  return std::nullopt;
}

}  // namespace sysex
