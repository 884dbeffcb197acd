#include "mml/source_input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "vornlib/errors.h"
#include "vornlib/run_inputs.h"
#include "vornlib/streams.h"

namespace mml {
namespace {

constexpr std::size_t kReadChunk = std::size_t{1} << 16;

// A regular file's size, so that its text is held once: 0 for anything else.
std::size_t regularFileSize(const char* name) {
  struct stat st {};
  int status = name ? ::stat(name, &st) : ::fstat(STDIN_FILENO, &st);
  if (status != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<std::size_t>(st.st_size);
}

vorn::Fault tooLarge(const char* name, std::optional<std::uint64_t> offset) {
  return vorn::Fault{"the source text is larger than 1 GiB", offset, vorn::kErrMalformedInput, name};
}

}  // namespace

vorn::Status appendInput(SourceText& srcBlock, const char* name) {
  if (name != nullptr && name[0] == ':') {
    if (!srcBlock.appendInline(std::string_view(name + 1))) return tooLarge(kArgumentName, std::nullopt);
    return {};
  }
  if (name != nullptr && std::string_view(name) == "*") name = nullptr;
  if (vorn::Status opened = vorn::openin(name); !opened) return opened;
  srcBlock.beginInput(name ? name : kStdinName);
  srcBlock.reserveFor(regularFileSize(name));
  std::vector<std::uint8_t> chunk(kReadChunk);
  vorn::ByteInput& input = vorn::getinhandle();
  vorn::Status appended = {};
  for (;;) {
    std::uint64_t chunkStart = input.offset();
    std::size_t got = input.read(chunk);
    if (got == 0) break;
    std::size_t taken = srcBlock.appendBytes(std::string_view(reinterpret_cast<const char*>(chunk.data()), got));
    if (taken < got) {
      appended = tooLarge(name ? name : kStdinName, chunkStart + taken);
      break;
    }
  }
  if (appended && !input.status()) appended = input.status();
  if (appended && !srcBlock.endInput()) appended = tooLarge(name ? name : kStdinName, input.offset());
  vorn::closein();
  return appended;
}

void countStandardInput(const std::vector<const char*>& arguments) {
  for (const char* word : arguments) {
    if (std::string_view(word) == "*") vorn::addRunInput(nullptr);
  }
}

}  // namespace mml
