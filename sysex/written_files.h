#pragma once
// The files a run has written one per item (oktile -E, wental), known by
// identity (device and inode), so that a later item whose name leads to the
// same regular file is caught however its path is spelled. A file that existed
// before the run is overwritten like any new one; one this run wrote is not.
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace sysex {

class WrittenFiles {
 public:
  // What `path` was written for earlier in this run, if it was.
  std::optional<std::string> writtenFor(const char* path) const;
  // Records that `path`, now created, is written for `source`.
  void record(const char* path, std::string source);
  // The same for the file open as `fd`.
  void record(int fd, std::string source);

 private:
  std::map<std::pair<dev_t, ino_t>, std::string> sources_;
};

}  // namespace sysex
