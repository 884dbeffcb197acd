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
  // Reads what the input has into storage_ from `at`: bytes read, 0 at its end.
  std::size_t readSome(std::size_t at);

  int fd_ = -1;
  bool ownsFd_ = false;
  bool memory_ = false;
  bool atEnd_ = false;
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

  // nullptr = standard output. Returns false with errno set when the file cannot be created.
  bool open(const char* name);
  // Collects the bytes in memory (tests, in-memory outputs).
  void openMemory();
  // Flushes and closes; reports a write error and ends the run.
  void close();
  bool isOpen() const { return fd_ >= 0 || memory_; }
  const char* name() const { return name_.empty() ? nullptr : name_.c_str(); }

  void put(std::uint8_t b) {
    if (pos_ == buffer_.size()) flush();
    buffer_[pos_++] = b;
  }
  void write(std::span<const std::uint8_t> bytes);
  void write(std::string_view text) {
    write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  void flush();
  // What an in-memory output collected.
  const std::string& memoryBytes() const { return memoryBytes_; }

 private:
  void writeOut(const std::uint8_t* data, std::size_t size);
  void fail(int error);

  int fd_ = -1;
  bool ownsFd_ = false;
  bool memory_ = false;
  bool failed_ = false;
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
