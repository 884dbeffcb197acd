#include "vornlib/paths.h"

namespace vorn {

std::optional<std::string> JstrzPathConc(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  if (path.size() >= kMaxPath) return std::nullopt;
  return path;
}

std::string_view baseName(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view baseNameWithoutExtension(std::string_view path) {
  std::string_view base = baseName(path);
  std::size_t dot = base.find_last_of('.');
  return (dot == std::string_view::npos || dot == 0) ? base : base.substr(0, dot);
}

}  // namespace vorn
