#pragma once
// Path helpers.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Paths of this many bytes or more are refused, as on the tools' first home.
inline constexpr std::size_t kMaxPath = 260;

// `dir` joined with `name`: a "/" goes between unless `dir` is empty or
// already ends with "/". Empty when the result would be kMaxPath bytes or longer.
std::optional<std::string> JstrzPathConc(std::string_view dir, std::string_view name);

// "dir/song.mid" -> "song.mid"
std::string_view baseName(std::string_view path);
// "dir/song.mid" -> "song"
std::string_view baseNameWithoutExtension(std::string_view path);

}  // namespace vorn
