#include "vornlib/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/run_inputs.h"

namespace vorn {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

std::string gOutputName;
bool gOutputNamed = false;

Status openFault(const char* name, const char* standardName = "<stdin>") {
  return fileFault(errno, name, standardName);
}

}  // namespace

Fault fileFault(int error, const char* name, const char* standardName) {
  return Fault{"", std::nullopt, static_cast<std::uint32_t>(error), name ? name : standardName};
}

namespace detail {
ByteInput gCurrentInput;
ByteOutput gCurrentOutput;
}  // namespace detail

// ---------------------------------------------------------------- ByteInput

ByteInput::~ByteInput() { close(); }

bool ByteInput::open(const char* name) {
  close();
  faults_.clear();
  if (name == nullptr) {
    fd_ = STDIN_FILENO;
    ownsFd_ = false;
    name_.clear();
  } else {
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    fd_ = fd;
    ownsFd_ = true;
    name_ = name;
  }
  struct stat info {};
  regular_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  if (regular_) {
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    regular_ = at >= 0;
    fileBase_ = regular_ ? static_cast<std::uint64_t>(at) : 0;
  }
  storage_.resize(kBufferSize);
  buffer_ = storage_.data();
  return true;
}

bool ByteInput::makeRereadable() {
  if (memory_ || regular_) return true;
  if (fd_ < 0 || offset() != 0 || end_ != 0) {
    errno = EINVAL;
    return false;
  }
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A file system without unnamed files: a named one, unlinked at once.
    std::string path = std::string(dir) + "/zamo-XXXXXX";
    fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::unlink(path.c_str());
  }
  spillFd_ = fd;
  return true;
}

bool ByteInput::reopenAt(ByteInput& cursor, std::uint64_t offset, std::size_t bufferSize) const {
  cursor.close();
  cursor.faults_.clear();
  cursor.faults_.handler = faults_.handler;
  if (memory_) {
    // A view of the same bytes: nothing is copied.
    if (offset < consumedBefore_ || offset - consumedBefore_ > end_) return false;
    std::size_t skipped = static_cast<std::size_t>(offset - consumedBefore_);
    cursor.memory_ = true;
    cursor.buffer_ = buffer_ + skipped;
    cursor.end_ = end_ - skipped;
  } else if (regular_ || spillFd_ >= 0) {
    cursor.fd_ = regular_ ? fd_ : spillFd_;
    cursor.regular_ = true;
    cursor.positional_ = true;
    cursor.fileBase_ = regular_ ? fileBase_ : 0;
    cursor.filePos_ = cursor.fileBase_ + offset;
    cursor.storage_.resize(bufferSize);
    cursor.buffer_ = cursor.storage_.data();
  } else {
    return false;
  }
  cursor.consumedBefore_ = offset;
  cursor.name_ = name_;
  return true;
}

void ByteInput::openMemory(std::string_view bytes) {
  close();
  faults_.clear();
  memory_ = true;
  storage_.assign(bytes.begin(), bytes.end());
  buffer_ = storage_.data();
  end_ = storage_.size();
  name_ = "<memory>";
}

void ByteInput::close() {
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
  if (spillFd_ >= 0) ::close(spillFd_);
  fd_ = -1;
  spillFd_ = -1;
  ownsFd_ = false;
  memory_ = false;
  atEnd_ = false;
  regular_ = false;
  positional_ = false;
  fileBase_ = filePos_ = 0;
  pos_ = end_ = 0;
  consumedBefore_ = 0;
  name_.clear();
}

bool ByteInput::refill() {
  if (memory_ || fd_ < 0) {
    atEnd_ = true;
    return false;
  }
  // The last byte read stays in front of the new ones, so that unget()
  // still gives it back after a peek() that refilled.
  std::size_t kept = 0;
  if (pos_ > 0) {
    storage_[0] = buffer_[pos_ - 1];
    kept = 1;
  }
  consumedBefore_ += pos_ - kept;
  pos_ = end_ = kept;
  std::size_t n = readSome(storage_.data() + kept, storage_.size() - kept);
  end_ = kept + n;
  atEnd_ = n == 0;
  return n > 0;
}

std::size_t ByteInput::readSome(std::uint8_t* into, std::size_t size) {
  for (;;) {
    if (faults_.any()) return 0;
    if (breakPending()) {
      fail(interruptedFault());
      return 0;
    }
    ssize_t n = positional_ ? ::pread(fd_, into, size, static_cast<off_t>(filePos_)) : ::read(fd_, into, size);
    if (n >= 0) {
      std::size_t got = static_cast<std::size_t>(n);
      filePos_ += got;
      if (spillFd_ >= 0) spill(into, got);
      return got;
    }
    if (errno == EINTR) continue;
    fail(fileFault(errno, name()));
    return 0;
  }
}

void ByteInput::spill(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(spillFd_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fail(fileFault(n < 0 ? errno : ENOSPC, "<temporary copy of the input>"));
      return;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

std::uint64_t ByteInput::seekPast(std::uint64_t count) {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return 0;
  std::uint64_t at = filePos_;
  if (!positional_) {
    off_t now = ::lseek(fd_, 0, SEEK_CUR);
    if (now < 0) return 0;
    at = static_cast<std::uint64_t>(now);
  }
  std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
  std::uint64_t step = std::min(count, size > at ? size - at : 0);
  if (!positional_ && ::lseek(fd_, static_cast<off_t>(step), SEEK_CUR) < 0) return 0;
  filePos_ = at + step;
  consumedBefore_ += pos_ + step;
  pos_ = end_ = 0;
  return step;
}

std::size_t ByteInput::peekBytes(std::span<std::uint8_t> out) {
  out = out.first(std::min<std::size_t>(out.size(), 4096));
  if (end_ - pos_ < out.size() && !memory_ && fd_ >= 0) {
    // What is left moves to the front, with the last byte read (for
    // unget), so that more can follow it.
    const std::size_t from = pos_ > 0 ? pos_ - 1 : 0;
    std::memmove(storage_.data(), storage_.data() + from, end_ - from);
    consumedBefore_ += from;
    pos_ -= from;
    end_ -= from;
    while (end_ - pos_ < out.size()) {
      const std::size_t n = readSome(storage_.data() + end_, storage_.size() - end_);
      if (n == 0) break;
      end_ += n;
    }
  }
  const std::size_t n = std::min(out.size(), end_ - pos_);
  std::memcpy(out.data(), buffer_ + pos_, n);
  return n;
}

int ByteInput::refillAndGet() {
  if (!refill()) return kEndOfInput;
  return buffer_[pos_++];
}

std::size_t ByteInput::read(std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    if (pos_ == end_ && !refill()) break;
    std::size_t n = std::min(out.size() - done, end_ - pos_);
    std::memcpy(out.data() + done, buffer_ + pos_, n);
    pos_ += n;
    done += n;
  }
  return done;
}

std::uint64_t ByteInput::skip(std::uint64_t count) {
  std::uint64_t done = 0;
  while (done < count) {
    // A long way through a file is a seek, not a read.
    if (pos_ == end_ && regular_ && count - done > storage_.size()) {
      done += seekPast(count - done);
      if (done == count) break;
    }
    if (pos_ == end_ && !refill()) break;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, end_ - pos_));
    pos_ += n;
    done += n;
  }
  return done;
}

bool ByteInput::getline(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !refill()) return any;
    any = true;
    const std::uint8_t* start = buffer_ + pos_;
    const void* nl = std::memchr(start, '\n', end_ - pos_);
    if (nl) {
      std::size_t n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nl) - start);
      line.append(reinterpret_cast<const char*>(start), n);
      pos_ += n + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    line.append(reinterpret_cast<const char*>(start), end_ - pos_);
    pos_ = end_;
  }
}

// --------------------------------------------------------------- ByteOutput

ByteOutput::~ByteOutput() {
  // Destructors must not end the run; an unflushed buffer here means the
  // run already ended on an error, so the bytes are written if they can be.
  if (!failed_ && pos_ > 0 && fd_ >= 0) {
    const std::uint8_t* p = buffer_.data();
    std::size_t left = pos_;
    while (left > 0) {
      ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  if (ownsFd_ && fd_ >= 0) ::close(fd_);
}

bool ByteOutput::open(const char* name, bool onlyNew) {
  if (name == nullptr) {
    fd_ = STDOUT_FILENO;
    ownsFd_ = false;
    name_.clear();
  } else {
    int fd = ::open(name, O_WRONLY | O_CREAT | (onlyNew ? O_EXCL : O_TRUNC) | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    fd_ = fd;
    ownsFd_ = true;
    name_ = name;
  }
  memory_ = false;
  counting_ = false;
  failed_ = false;
  faults_.clear();
  flushed_ = 0;
  buffer_.resize(kBufferSize);
  pos_ = 0;
  return true;
}

void ByteOutput::openMemory() {
  fd_ = -1;
  ownsFd_ = false;
  memory_ = true;
  counting_ = false;
  failed_ = false;
  faults_.clear();
  flushed_ = 0;
  memoryBytes_.clear();
  buffer_.resize(kBufferSize);
  pos_ = 0;
  name_ = "<memory>";
}

void ByteOutput::openCounting() {
  openMemory();
  memory_ = false;
  counting_ = true;
  name_ = "<counted>";
}

void ByteOutput::close() {
  if (!isOpen()) return;
  flush();
  if (ownsFd_ && fd_ >= 0) {
    int fd = fd_;
    fd_ = -1;
    ownsFd_ = false;
    if (::close(fd) != 0 && errno != EINTR) fail(errno);
  }
  fd_ = -1;
  memory_ = false;
  counting_ = false;
}

void ByteOutput::fail(int error) {
  // Nothing after a write that failed goes out (EINTR: a break stopped it).
  failed_ = true;
  pos_ = 0;
  keep(error == EINTR ? interruptedFault() : fileFault(error, name(), "<stdout>"));
}

bool ByteOutput::breakPoint() {
  if (!breakPending()) return true;
  // What is buffered stays, to go out as the output is closed.
  keep(interruptedFault());
  return false;
}

void ByteOutput::writeOut(const std::uint8_t* data, std::size_t size) {
  if (failed_) return;
  flushed_ += size;
  if (counting_) return;
  if (memory_) {
    memoryBytes_.append(reinterpret_cast<const char*>(data), size);
    return;
  }
  if (fd_ < 0) return;
  while (size > 0) {
    ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        if (!breakPending()) continue;
        return fail(EINTR);  // a break, as the fault
      }
      return fail(errno);
    }
    if (n == 0) return fail(ENOSPC);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void ByteOutput::flush() {
  std::size_t n = pos_;
  pos_ = 0;
  if (n > 0) writeOut(buffer_.data(), n);
}

void ByteOutput::write(std::span<const std::uint8_t> bytes) {
  if (bytes.size() <= buffer_.size() - pos_) {
    std::memcpy(buffer_.data() + pos_, bytes.data(), bytes.size());
    pos_ += bytes.size();
    return;
  }
  flush();
  if (bytes.size() >= buffer_.size()) {
    writeOut(bytes.data(), bytes.size());
  } else {
    std::memcpy(buffer_.data(), bytes.data(), bytes.size());
    pos_ = bytes.size();
  }
}

// ------------------------------------------------------- current streams

Status openin(const char* name) {
  if (!detail::gCurrentInput.open(name)) return openFault(name);
  return {};
}

void closein() { detail::gCurrentInput.close(); }

ByteInput& getinhandle() { return detail::gCurrentInput; }

long InGetline(std::string& line) {
  if (!detail::gCurrentInput.getline(line)) return kEndOfInput;
  return static_cast<long>(line.size());
}

bool currentInputMatches(const char* name) {
  const char* current = detail::gCurrentInput.name();
  if (name == nullptr || current == nullptr) return name == current;
  return std::strcmp(name, current) == 0;
}

std::uint64_t currentInputOffset() { return detail::gCurrentInput.offset(); }

void setOutputName(const char* name) {
  gOutputNamed = name != nullptr;
  gOutputName = name ? name : "";
}

const char* outputName() { return gOutputNamed ? gOutputName.c_str() : nullptr; }

Status openout() { return openoutf(outputName()); }

Status openoutf(const char* name) {
  if (Status checked = checkOutputIsNoInput(name); !checked) return checked;
  if (!detail::gCurrentOutput.open(name)) return openFault(name);
  return {};
}

Status openoutfNew(const char* name) {
  if (!detail::gCurrentOutput.open(name, true)) return openFault(name);
  return {};
}

Status closeout() {
  detail::gCurrentOutput.close();
  return detail::gCurrentOutput.status();
}

ByteOutput& getouthandle() { return detail::gCurrentOutput; }

void OutDnum(std::uint64_t value) { OutStrz(std::to_string(value)); }

Status nfOpenIn(const char* name, std::unique_ptr<ByteInput>& file) {
  file = std::make_unique<ByteInput>();
  if (!file->open(name)) return openFault(name);
  return {};
}

Status nfOpenOut(const char* name, std::unique_ptr<ByteOutput>& file) {
  if (Status checked = checkOutputIsNoInput(name); !checked) return checked;
  file = std::make_unique<ByteOutput>();
  if (!file->open(name)) return openFault(name);
  return {};
}

Status readWholeFile(const char* name, std::size_t limit, std::string& bytes) {
  ByteInput in;
  if (!in.open(name)) return openFault(name);
  bytes.clear();
  std::uint8_t chunk[1 << 14];
  for (;;) {
    std::size_t n = in.read(chunk);
    if (n == 0) break;
    if (bytes.size() + n > limit) return Fault{"", std::nullopt, kErrMalformedInput, name ? name : "<stdin>"};
    bytes.append(reinterpret_cast<const char*>(chunk), n);
  }
  return in.status();
}

}  // namespace vorn
