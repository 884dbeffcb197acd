#include "sysex/written_files.h"

#include <sys/stat.h>

namespace sysex {
namespace {

// Only regular files: writing a device such as /dev/null twice loses nothing.
std::optional<std::pair<dev_t, ino_t>> identity(const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  return std::pair{info.st_dev, info.st_ino};
}

std::optional<std::pair<dev_t, ino_t>> identity(const char* path) {
  struct stat info {};
  if (::stat(path, &info) != 0) return std::nullopt;
  return identity(info);
}

}  // namespace

std::optional<std::string> WrittenFiles::writtenFor(const char* path) const {
  auto id = identity(path);
  if (!id) return std::nullopt;
  auto found = sources_.find(*id);
  if (found == sources_.end()) return std::nullopt;
  return found->second;
}

void WrittenFiles::record(const char* path, std::string source) {
  if (auto id = identity(path)) sources_.emplace(*id, std::move(source));
}

void WrittenFiles::record(int fd, std::string source) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return;
  if (auto id = identity(info)) sources_.emplace(*id, std::move(source));
}

}  // namespace sysex
