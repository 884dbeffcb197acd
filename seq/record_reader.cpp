#include "seq/record_reader.h"

#include <array>
#include <string>

#include "seq/strict_input.h"
#include "vornlib/numbers.h"

namespace seq {

std::optional<InputFault> RecordReader::endBeforeEndRecord() const {
  return endsAt("input ends before the end record", in_.offset());
}

std::optional<InputFault> RecordReader::sysExLength(Record& record) {
  std::array<std::uint8_t, 4> length;
  if (in_.read(length) < length.size()) return endsInside("the length of a SysEx record", in_.offset());
  record.length = vorn::readLE32(length.data());
  return std::nullopt;
}

std::optional<InputFault> RecordReader::tempo(Record& record) {
  std::array<std::uint8_t, 2> field;
  std::uint64_t at = in_.offset();
  if (in_.read(field) < field.size()) return endsInside("a tempo record", in_.offset());
  record.tempo = vorn::readLE16(field.data());
  // A tempo of 0 would make every later tick endless.
  if (record.tempo == 0) return InputFault{"tempo 0; a tempo record holds 1 to 65535", at};
  return std::nullopt;
}

std::optional<InputFault> RecordReader::unknownStatus(const Record& record) {
  // The record's two bytes are read all the same: the reader never leaves a
  // record half read.
  if (in_.get() >= 0) in_.get();
  return InputFault{"unknown status byte " + hexByte(record.status), record.offset + 1};
}

std::optional<InputFault> RecordReader::bodyEnds(const Record& record) const {
  return endsInside("a SysEx record of " + std::to_string(record.length) + " bytes", in_.offset());
}

std::optional<InputFault> RecordReader::copyBody(const Record& record, vorn::ByteOutput& out) {
  if (copyBytes(in_, out, record.length) < record.length) return bodyEnds(record);
  return std::nullopt;
}

std::optional<InputFault> RecordReader::skipBody(const Record& record) {
  if (in_.skip(record.length) < record.length) return bodyEnds(record);
  return std::nullopt;
}

}  // namespace seq
