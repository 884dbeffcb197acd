#include "midiio/dorna_loader.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "seq/foreign_input.h"
#include "seq/record_reader.h"

namespace midiio {

vorn::Status loadDorna(vorn::ByteInput& in, DornaBuffer& stream, std::uint64_t& steps) {
  stream.clear();
  steps = 0;
  if (auto foreign = seq::foreignInput(in, seq::Expected::dorna)) return *foreign;
  seq::RecordReader reader(in, seq::RecordShapes::dorna);
  seq::Record record;
  for (;;) {
    const seq::RecordKind kind = reader.next(record);
    if (kind == seq::RecordKind::Fault) return reader.fault();
    if (seq::isOstraTempo(record)) return seq::ostraInsteadOfDorna();
    steps += record.delta;
    if (kind != seq::RecordKind::SysEx) {
      stream.addTwoBytes(record.delta, record.status, record.first, record.second);
      if (kind == seq::RecordKind::End) return {};
      continue;
    }
    // F0 and its bytes are counted in 32 bits: this length cannot be played.
    if (record.status == 0xF0 && record.length == 0xFFFFFFFF) {
      return vorn::Fault{"a SysEx record of 4294967295 bytes", in.offset() - 4};
    }
    stream.addSysExHead(record.delta, record.status, record.length);
    // The body grows the buffer only as far as the input really holds it.
    std::array<std::uint8_t, 16384> chunk;
    for (std::uint32_t left = record.length; left > 0;) {
      const std::size_t want = std::min<std::size_t>(left, chunk.size());
      const std::size_t got = in.read(std::span(chunk.data(), want));
      stream.addBody(std::span(chunk.data(), got));
      if (got < want) return seq::endsInside("a SysEx record of " + std::to_string(record.length) + " bytes", in.offset());
      left -= static_cast<std::uint32_t>(got);
    }
  }
}

}  // namespace midiio
