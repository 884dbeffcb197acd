#include "sysex/two_pass_wrap.h"

#include <cerrno>
#include <utility>

namespace sysex {

void TwoPassWrap::startPass(std::uint32_t bpm, std::uint32_t gapMs, vorn::ByteOutput& out) {
  inputs_.startPass(started_);
  started_ = true;
  pass_ = std::make_unique<WrapPass>(bpm, gapMs, out);
}

vorn::Status TwoPassWrap::add(const char* name, vorn::StreamFaultHandler handler) {
  if (name && name[0] == ';') {
    pass_->addPause(name + 1);
    return {};
  }
  std::unique_ptr<vorn::ByteInput> in = inputs_.nextKept();
  if (!in) {
    if (vorn::Status opened = vorn::nfOpenIn(name, in); !opened) return opened;
    in->setFaultHandler(handler);
    if (!in->makeRereadable()) return vorn::fileFault(errno, name);
  }
  if (vorn::Status added = pass_->addInput(*in, name); !added) return added;
  inputs_.keep(name, std::move(in));
  return {};
}

void TwoPassWrap::drop() {
  pass_.reset();
  inputs_.clear();
}

}  // namespace sysex
