#include "seq/record_reader.h"

#include <array>
#include <string>
#include <utility>

#include "seq/strict_input.h"
#include "vornlib/numbers.h"

namespace seq {
namespace {

std::unique_ptr<InputFault> faultOf(InputFault fault) { return std::make_unique<InputFault>(std::move(fault)); }

std::unique_ptr<InputFault> bodyEnds(vorn::ByteInput& in, std::uint32_t length) {
  return faultOf(seq::endsInside("a SysEx record of " + std::to_string(length) + " bytes", in.offset()));
}

}  // namespace

RecordReader::Fault RecordReader::endsInside(vorn::ByteInput& in, const char* what) {
  return faultOf(seq::endsInside(what, in.offset()));
}

RecordReader::Fault RecordReader::endsBeforeStatus(vorn::ByteInput& in, bool beforeDelta) {
  return faultOf(
      endsAt(beforeDelta ? "input ends before the end record" : "input ends after a record's delta byte", in.offset()));
}

RecordReader::Fault RecordReader::unknownStatus(vorn::ByteInput& in, std::uint8_t status) {
  std::uint64_t at = in.offset() - 1;
  // The record's two bytes are read all the same: a record is never left half read.
  if (in.get() >= 0) in.get();
  return faultOf({"unknown status byte " + hexByte(status), at});
}

RecordReader::Fault RecordReader::readLength(vorn::ByteInput& in, std::uint32_t& length) {
  std::array<std::uint8_t, 4> field;
  if (in.read(field) < field.size()) return endsInside(in, "the length of a SysEx record");
  length = vorn::readLE32(field.data());
  return nullptr;
}

RecordReader::Fault RecordReader::readTempo(vorn::ByteInput& in, std::uint16_t& tempo) {
  std::array<std::uint8_t, 2> field;
  std::uint64_t at = in.offset();
  if (in.read(field) < field.size()) return endsInside(in, "a tempo record");
  tempo = vorn::readLE16(field.data());
  // A tempo of 0 would make every later tick endless.
  if (tempo == 0) return faultOf({"tempo 0; a tempo record holds 1 to 65535", at});
  return nullptr;
}

RecordReader::Fault RecordReader::copyBody(vorn::ByteInput& in, vorn::ByteOutput& out, std::uint32_t length) {
  if (copyBytes(in, out, length) < length) return bodyEnds(in, length);
  return nullptr;
}

RecordReader::Fault RecordReader::skipBody(vorn::ByteInput& in, std::uint32_t length) {
  if (in.skip(length) < length) return bodyEnds(in, length);
  return nullptr;
}

}  // namespace seq
