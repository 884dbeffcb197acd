#include "sysex/name_pattern.h"

#include <cerrno>

#include "vornlib/argfilename.h"

namespace sysex {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The field that starts with the "%" at the head of `rest`: "%" and its
// letter, and for %1 and %2 the padding "z<width>;" as far as it is written.
std::string_view fieldAt(std::string_view rest) {
  std::size_t n = rest.size() < 2 ? rest.size() : 2;
  if (n == 2 && (rest[1] == '1' || rest[1] == '2') && n < rest.size() && rest[n] == 'z') {
    ++n;
    while (n < rest.size() && isDigit(rest[n])) ++n;
    if (n < rest.size() && rest[n] == ';') ++n;
  }
  return rest.substr(0, n);
}

}  // namespace

std::optional<std::string> namePatternFault(std::string_view pattern) {
  for (std::size_t at = pattern.find('%'); at != std::string_view::npos; at = pattern.find('%', at)) {
    std::string_view field = fieldAt(pattern.substr(at));
    at += field.size();
    // ArgFileName itself judges each field; this only says which one failed.
    std::string name;
    errno = 0;
    if (vorn::ArgFileName(name, "", field, 0, nullptr)) continue;
    std::string shown(field);
    if (errno == ENAMETOOLONG) return shown + " pads wider than a file name may be";
    if (field.size() == 1) return std::string("a lone % at the end is not a field (use %1, %2, %%)");
    if (field[1] != '1' && field[1] != '2') return shown + " is not a field (use %1, %2, %%)";
    return shown + " is not a padding (write z, a width and ;, as in " + std::string(field.substr(0, 2)) + "z8;)";
  }
  return std::nullopt;
}

}  // namespace sysex
