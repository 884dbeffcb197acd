#include "vornlib/run_inputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/options.h"

namespace vorn {
namespace {

struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId&) const = default;
};

std::vector<std::string> gAddedInputs;
bool gAddedStandardInput = false;

std::optional<FileId> regularFileId(const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

std::optional<FileId> idOfPath(const char* path) {
  struct stat st {};
  if (::stat(path, &st) != 0) return std::nullopt;
  return regularFileId(st);
}

std::optional<FileId> idOfDescriptor(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return regularFileId(st);
}

bool readsStandardInput(const std::vector<const char*>& files) {
  if (gAddedStandardInput || files.empty()) return true;
  for (const char* file : files) {
    if (std::string_view(file) == "-") return true;
  }
  return false;
}

}  // namespace

void addRunInput(const char* path) {
  if (path == nullptr) {
    gAddedStandardInput = true;
  } else {
    gAddedInputs.emplace_back(path);
  }
}

bool isInputOfRun(const char* path) {
  std::optional<FileId> target = path ? idOfPath(path) : idOfDescriptor(STDOUT_FILENO);
  if (!target) return false;
  std::vector<const char*> files = fileArguments();
  if (readsStandardInput(files) && idOfDescriptor(STDIN_FILENO) == target) return true;
  for (const char* file : files) {
    if (idOfPath(file) == target) return true;
  }
  for (const std::string& file : gAddedInputs) {
    if (idOfPath(file.c_str()) == target) return true;
  }
  return false;
}

Status checkOutputIsNoInput(const char* path) {
  if (!isInputOfRun(path)) return {};
  return Fault{std::string(path ? path : "<stdout>") + ": is also an input; nothing written", std::nullopt};
}

}  // namespace vorn
