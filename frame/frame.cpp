#include "frame/frame.h"

#include "vornlib/errors.h"
#include "vornlib/fixed.h"
#include "vornlib/streams.h"

namespace frame {

void failInput(std::uint32_t code, std::string_view text, std::optional<std::uint64_t> offset) {
  if (!offset && code == vorn::kErrMalformedInput) offset = vorn::currentInputOffset();
  reportAt(vorn::getinhandle().name(), text.empty() ? vorn::errorText(code) : std::string(text), offset);
  conBreak();
}

void failInput(const vorn::Fault& fault) {
  if (vorn::isInterruption(fault) || !fault.input.empty()) fail(fault);
  // A fault with no offset names no byte ("no input"), whatever its code.
  if (!fault.offset) {
    reportAt(vorn::getinhandle().name(), fault.text.empty() ? vorn::errorText(fault.code) : fault.text);
    conBreak();
  }
  failInput(fault.code, fault.text, fault.offset);
}

int standardMain(const vorn::OptionDescriptor& descriptor, const vorn::FileProc& fileProc,
                 const std::function<void()>& afterOptions) {
  int files = analoptionEx(descriptor);
  if (afterOptions) afterOptions();
  openout();
  forEachInput(descriptor, files, fileProc);
  closeout();
  return 1;
}

void forEachInput(const vorn::OptionDescriptor& descriptor, int files, const vorn::FileProc& fileProc) {
  if (files > 0) {
    vorn::analfileExec(descriptor, fileProc);
  } else {
    fileProc(nullptr);
  }
}

vorn::OptionHandler flagOption(std::uint32_t& flags, std::uint32_t bit) {
  return [&flags, bit](std::string_view text) {
    if (!text.empty()) return false;
    flags |= bit;
    return true;
  };
}

vorn::OptionHandler flagOption(std::function<void()> set) {
  return [set = std::move(set)](std::string_view text) {
    if (!text.empty()) return false;
    set();
    return true;
  };
}

vorn::OptionHandler stepLengthOption(double& value) {
  return [&value](std::string_view text) { return vorn::parseStepLength(text, 0.1, 1000.0, value); };
}

}  // namespace frame
