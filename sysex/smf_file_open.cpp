#include "sysex/smf_file_open.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "vornlib/errors.h"

namespace sysex {
namespace {

vorn::Fault fileFault(const char* name, std::uint32_t code) {
  return vorn::Fault{"", std::nullopt, code, vorn::inputDisplayName(name)};
}

}  // namespace

vorn::Status openSmfFile(const char* name, vorn::ByteInput& in, SmfInfo& smf) {
  std::uint64_t size = kUnknownFileSize;
  if (name) {
    struct stat info {};
    if (::stat(name, &info) != 0) return fileFault(name, static_cast<std::uint32_t>(errno));
    if (S_ISDIR(info.st_mode)) return fileFault(name, EISDIR);
    // A pipe or device has no size to check chunk lengths against.
    if (S_ISREG(info.st_mode)) size = static_cast<std::uint64_t>(info.st_size);
  }
  if (!in.open(name) || !in.makeRereadable()) return fileFault(name, static_cast<std::uint32_t>(errno));
  SmfFileError error = readSmfChunks(in, size, smf);
  // A read that failed costs the file, whatever the reader made of it.
  if (vorn::Status read = in.status(); !read) return read;
  if (error && in.offset() == 0) return vorn::Fault{"no input", std::nullopt, error.code, vorn::inputDisplayName(name)};
  if (error) return vorn::Fault{error.found, error.offset, error.code, vorn::inputDisplayName(name)};
  return {};
}

}  // namespace sysex
