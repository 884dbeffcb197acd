#pragma once
// Buffered byte streams. One current input and one current output serve the
// tools' main loops (openin/InByte, openout/OutByte); further named files are
// ByteInput/ByteOutput objects of their own (nfOpenIn/nfOpenOut).
//
// A stream reports nothing and never ends the run. A read error, a write
// error (disk full, a closed pipe) or a break (Ctrl-C) met in a blocking
// read or write is kept as the stream's fault (status()): reads then meet
// the end of the input, writes are dropped. A stream given a fault handler
// (the frame gives the tools' streams one) hands the fault to it at once
// instead; opens give their fault back.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/status.h"

namespace vorn {

inline constexpr int kEndOfInput = -1;

// Gets a stream's fault as it happens; the frame's handler ends the run.
using StreamFaultHandler = void (*)(const Fault& fault);

// A stream's first fault, kept; each fault goes to the handler, if one is set.
class KeptFault {
 public:
  void keep(Fault fault) {
    if (handler) handler(fault);
    if (!fault_) fault_ = std::move(fault);
  }
  bool any() const { return fault_.has_value(); }
  void clear() { fault_.reset(); }
  Status status() const { return fault_ ? Status(*fault_) : Status(); }

  StreamFaultHandler handler = nullptr;  // kept across clear()

 private:
  std::optional<Fault> fault_;
};

// The fault of a file that could not be opened, read or written: the errno
// value, naming the file as messages do (nullptr: `standardName`).
Fault fileFault(int error, const char* name, const char* standardName = "<stdin>");

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

  // True unless a read failed or a break stopped one (what the fault is).
  Status status() const { return faults_.status(); }
  // From now on a fault goes to `handler` as it happens (nullptr: kept).
  // Kept across open() and close(); cursors made by reopenAt() get it too.
  void setFaultHandler(StreamFaultHandler handler) { faults_.handler = handler; }

 private:
  void fail(Fault fault) { faults_.keep(std::move(fault)); }
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
  KeptFault faults_;
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
  // Flushes and closes; a write error is the stream's fault (status()).
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

  // True unless a write failed since the last open (what the fault is).
  Status status() const { return faults_.status(); }
  // As ByteInput::setFaultHandler.
  void setFaultHandler(StreamFaultHandler handler) { faults_.handler = handler; }
  StreamFaultHandler faultHandler() const { return faults_.handler; }
  // A safe point for a break in long writing: false when a break is
  // pending, which is then the stream's fault (to its handler, or kept).
  bool breakPoint();

 private:
  void writeOut(const std::uint8_t* data, std::size_t size);
  void keep(Fault fault) { faults_.keep(std::move(fault)); }
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
  KeptFault faults_;
};

namespace detail {
extern ByteInput gCurrentInput;
extern ByteOutput gCurrentOutput;
}  // namespace detail

// The current input. openin fails with the file's fault when it cannot open it.
Status openin(const char* name);
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
Status openout();
// Opens the named file as the current output (nullptr = standard output);
// fails when it is one of the run's inputs (run_inputs.h) or cannot be made.
Status openoutf(const char* name);
// Creates the named file as the current output when no file of that name
// exists: it can then be none of the run's inputs, and needs no check. When
// one exists it fails with EEXIST, and nothing is opened.
Status openoutfNew(const char* name);
// Flushes and closes the current output; its status (a write that failed).
Status closeout();
ByteOutput& getouthandle();
inline void OutByte(std::uint8_t b) { detail::gCurrentOutput.put(b); }
inline void OutNByte(std::span<const std::uint8_t> bytes) { detail::gCurrentOutput.write(bytes); }
inline void OutStrz(std::string_view text) { detail::gCurrentOutput.write(text); }
inline void OutEol() { detail::gCurrentOutput.put('\n'); }
inline void OutTab() { detail::gCurrentOutput.put('\t'); }
void OutDnum(std::uint64_t value);

// Named files beside the current streams, opened into `file`; an output
// that is one of the run's inputs is refused as openoutf refuses it.
Status nfOpenIn(const char* name, std::unique_ptr<ByteInput>& file);
Status nfOpenOut(const char* name, std::unique_ptr<ByteOutput>& file);

// Reads a whole file into `bytes` (at most `limit` bytes; more is a fault
// of malformed input).
Status readWholeFile(const char* name, std::size_t limit, std::string& bytes);

}  // namespace vorn
