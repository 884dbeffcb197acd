#pragma once
// Buffered byte streams. One current input and one current output serve the
// tools' main loops (openin/InByte, openout/OutByte); further named files are
// ByteInput/ByteOutput objects of their own (nfOpenIn/nfOpenOut).
//
// A read error or a write error (disk full) is reported as "tool: file:
// reason" and ends the run; a closed pipe ends the run quietly, as a shell
// expects. Blocking calls are safe points for Ctrl-C.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

inline constexpr int kEndOfInput = -1;

class ByteInput {
 public:
  ByteInput() = default;
  ~ByteInput();
  ByteInput(const ByteInput&) = delete;
  ByteInput& operator=(const ByteInput&) = delete;

  // nullptr = standard input. Returns false with errno set when the file cannot be opened.
  bool open(const char* name);
  // Reads from a memory buffer instead of a file (tests, in-memory inputs).
  void openMemory(std::string_view bytes);
  void close();
  bool isOpen() const { return fd_ >= 0 || memory_; }
  // Whether it reads a regular file (one that can be read again at any offset).
  bool isRegularFile() const { return regular_; }

  // Makes the bytes read from here on readable again through reopenAt()
  // whatever the input is: a pipe's (or device's) bytes are also kept in an
  // unnamed temporary file as they arrive, so the disk holds what was read
  // and memory does not. Call it before the first read. False, with errno
  // set, when no temporary file can be made.
  bool makeRereadable();
  // Opens `cursor` on the same bytes from `offset` on (an offset of this
  // input, as offset() counts them), with a buffer of `bufferSize` bytes; it
  // reads them again independently of this input, which must stay open
  // while it does. For a file, a memory input or an input made rereadable,
  // and only up to what this input has read so far unless it is a file;
  // false for any other.
  bool reopenAt(ByteInput& cursor, std::uint64_t offset, std::size_t bufferSize) const;
  const char* name() const { return name_.empty() ? nullptr : name_.c_str(); }

  // Next byte, or kEndOfInput.
  int get() {
    if (pos_ < end_) return buffer_[pos_++];
    return refillAndGet();
  }
  // Next byte without consuming it, or kEndOfInput.
  int peek() {
    if (pos_ < end_) return buffer_[pos_];
    int b = refillAndGet();
    if (b != kEndOfInput) --pos_;
    return b;
  }
  // Gives back the last byte read (one byte of pushback). After kEndOfInput
  // it does nothing, so the next read meets the end again.
  void unget() {
    if (!atEnd_ && pos_ > 0) --pos_;
  }
  // Fills `out` as far as the input allows; returns how many bytes were read.
  std::size_t read(std::span<std::uint8_t> out);
  // The next `count` bytes when the buffer holds them already, else nullptr,
  // for a reader that decodes in place; consume() then takes those it used.
  const std::uint8_t* buffered(std::size_t count) const { return end_ - pos_ >= count ? buffer_ + pos_ : nullptr; }
  // All the bytes buffered and not read yet (none before a refill).
  std::span<const std::uint8_t> inBuffer() const { return {buffer_ + pos_, end_ - pos_}; }
  void consume(std::size_t count) { pos_ += count; }
  // Copies the next bytes into `out` (at most 4096) without consuming them,
  // as far as the input holds them; returns how many there were.
  std::size_t peekBytes(std::span<std::uint8_t> out);
  // Skips up to `count` bytes; returns how many were skipped.
  std::uint64_t skip(std::uint64_t count);
  // Reads one line without its line end ("\n" or "\r\n"). False at end of input.
  bool getline(std::string& line);

  // Bytes consumed so far.
  std::uint64_t offset() const { return consumedBefore_ + pos_; }

 private:
  int refillAndGet();
  bool refill();
  // Reads into `into` from the file or pipe; the count, 0 at the end.
  std::size_t readSome(std::uint8_t* into, std::size_t size);
  // Keeps what a pipe gave in the temporary file.
  void spill(const std::uint8_t* bytes, std::size_t size);
  // Moves past up to `count` bytes of a file without reading them; how many.
  std::uint64_t seekPast(std::uint64_t count);

  int fd_ = -1;
  bool ownsFd_ = false;
  bool memory_ = false;
  bool atEnd_ = false;
  // A file: its size; reads at filePos_ with pread when positional_ (a cursor).
  bool regular_ = false;
  bool positional_ = false;
  std::uint64_t fileBase_ = 0;  // the file position of offset 0
  std::uint64_t filePos_ = 0;
  int spillFd_ = -1;  // the temporary file of a rereadable pipe
  std::string name_;
  std::vector<std::uint8_t> storage_;
  const std::uint8_t* buffer_ = nullptr;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumedBefore_ = 0;
};

class ByteOutput {
 public:
  ByteOutput() = default;
  ~ByteOutput();
  ByteOutput(const ByteOutput&) = delete;
  ByteOutput& operator=(const ByteOutput&) = delete;

  // nullptr = standard output. Returns false with errno set when the file
  // cannot be created, or, `onlyNew`, when it exists already (EEXIST).
  bool open(const char* name, bool onlyNew = false);
  // Collects the bytes in memory (tests, in-memory outputs).
  void openMemory();
  // Only counts the bytes (to measure what a second pass will write).
  void openCounting();
  // Flushes and closes; reports a write error and ends the run.
  void close();
  bool isOpen() const { return fd_ >= 0 || memory_ || counting_; }
  const char* name() const { return name_.empty() ? nullptr : name_.c_str(); }
  // The file's descriptor while one is open, else -1.
  int descriptor() const { return fd_; }

  void put(std::uint8_t b) {
    if (pos_ == buffer_.size()) flush();
    buffer_[pos_++] = b;
  }
  void write(std::span<const std::uint8_t> bytes);
  // Room for up to `count` bytes (at most the buffer's size, 64 KiB) to be
  // written in place, then commit() with where they end: text formatted
  // straight into the buffer.
  char* reserve(std::size_t count) {
    if (buffer_.size() - pos_ < count) flush();
    return reinterpret_cast<char*>(buffer_.data() + pos_);
  }
  void commit(const char* end) { pos_ = static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(end) - buffer_.data()); }
  void write(std::string_view text) {
    write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  void flush();
  // What an in-memory output collected.
  const std::string& memoryBytes() const { return memoryBytes_; }
  // Bytes written since it was opened, those still buffered included.
  std::uint64_t offset() const { return flushed_ + pos_; }

 private:
  void writeOut(const std::uint8_t* data, std::size_t size);
  void fail(int error);

  int fd_ = -1;
  bool ownsFd_ = false;
  bool memory_ = false;
  bool counting_ = false;
  bool failed_ = false;
  std::uint64_t flushed_ = 0;
  std::string name_;
  std::string memoryBytes_;
  std::vector<std::uint8_t> buffer_;
  std::size_t pos_ = 0;
};

namespace detail {
extern ByteInput gCurrentInput;
extern ByteOutput gCurrentOutput;
}  // namespace detail

// The current input. openin reports a file it cannot open ("tool: name:
// reason") and ends the run.
void openin(const char* name);
void closein();
ByteInput& getinhandle();
inline int InByte() { return detail::gCurrentInput.get(); }
inline int InScanbyte() { return detail::gCurrentInput.peek(); }
inline void InByteback() { detail::gCurrentInput.unget(); }
// Reads exactly out.size() bytes if the input has them; returns how many it read.
inline std::size_t InNbyteFix(std::span<std::uint8_t> out) { return detail::gCurrentInput.read(out); }
// Reads one line into `line`; returns its length, or kEndOfInput.
long InGetline(std::string& line);
// Whether `name` is the current input (null = standard input), and its offset.
bool currentInputMatches(const char* name);
std::uint64_t currentInputOffset();

// The current output: standard output, or the file named by option O.
void setOutputName(const char* name);
const char* outputName();
void openout();
// Opens the named file as the current output (nullptr = standard output).
void openoutf(const char* name);
// Creates the named file as the current output when no file of that name
// exists: it can then be none of the run's inputs, and needs no check. False
// when one exists, and nothing is opened.
bool openoutfNew(const char* name);
void closeout();
ByteOutput& getouthandle();
inline void OutByte(std::uint8_t b) { detail::gCurrentOutput.put(b); }
inline void OutNByte(std::span<const std::uint8_t> bytes) { detail::gCurrentOutput.write(bytes); }
inline void OutStrz(std::string_view text) { detail::gCurrentOutput.write(text); }
inline void OutEol() { detail::gCurrentOutput.put('\n'); }
inline void OutTab() { detail::gCurrentOutput.put('\t'); }
void OutDnum(std::uint64_t value);

// Named files beside the current streams. They report and end the run when
// the file cannot be opened.
std::unique_ptr<ByteInput> nfOpenIn(const char* name);
std::unique_ptr<ByteOutput> nfOpenOut(const char* name);

// Reads a whole file into memory (at most `limit` bytes; more is an error
// reported as malformed input). Reports and ends the run on failure.
std::string readWholeFile(const char* name, std::size_t limit);

}  // namespace vorn
