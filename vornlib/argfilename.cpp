#include "vornlib/argfilename.h"

#include <cerrno>

#include "vornlib/numbers.h"
#include "vornlib/paths.h"

namespace vorn {
namespace {

bool refuse(int error) {
  errno = error;
  return false;
}

}  // namespace

bool ArgFileName(std::string& out, std::string_view base, std::string_view pattern, std::uint32_t number,
                 const char* inputName) {
  out.assign(base);
  std::string_view rest = pattern;
  while (!rest.empty()) {
    std::size_t percent = rest.find('%');
    out.append(rest.substr(0, percent));
    if (percent == std::string_view::npos) break;
    rest.remove_prefix(percent + 1);
    if (rest.empty()) return refuse(EINVAL);
    char field = rest[0];
    rest.remove_prefix(1);
    if (field == '%') {
      out += '%';
      continue;
    }
    std::string value;
    if (field == '1') {
      value = std::to_string(number);
    } else if (field == '2') {
      value = inputName ? std::string(baseNameWithoutExtension(inputName)) : "stdin";
    } else {
      return refuse(EINVAL);
    }
    if (!rest.empty() && rest[0] == 'z') {
      rest.remove_prefix(1);
      NumberResult width = Strz2Dword(rest);
      if (width.status == NumberStatus::NoDigits || rest.empty() || rest[0] != ';') {
        return refuse(width.status == NumberStatus::Overflow ? ENAMETOOLONG : EINVAL);
      }
      rest.remove_prefix(1);
      if (width.value >= kMaxPath) return refuse(ENAMETOOLONG);
      if (value.size() < width.value) value.insert(0, width.value - value.size(), '0');
    }
    out += value;
    if (out.size() >= kMaxPath) return refuse(ENAMETOOLONG);
  }
  if (out.size() >= kMaxPath) return refuse(ENAMETOOLONG);
  return true;
}

}  // namespace vorn
