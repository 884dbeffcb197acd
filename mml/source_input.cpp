#include "mml/source_input.h"

#include <string>
#include <string_view>

#include "frame/frame.h"
#include "vornlib/console.h"
#include "vornlib/streams.h"

namespace mml {
namespace {

void checkSize(const SourceText& srcBlock, const char* name) {
  if (srcBlock.size() <= kMaxSourceBytes) return;
  std::string message = name ? name : kStdinName;
  message += ": the source text is larger than 1 GiB";
  vorn::reportError(message);
  vorn::conBreak();
}

}  // namespace

void appendInput(SourceText& srcBlock, const char* name) {
  if (name != nullptr && name[0] == ':') {
    frame::curInputName = name;
    srcBlock.appendInline(std::string_view(name + 1));
    checkSize(srcBlock, name);
    return;
  }
  if (name != nullptr && std::string_view(name) == "*") name = nullptr;
  frame::curInputName = name;
  vorn::openin(name);
  srcBlock.beginInput(name ? name : kStdinName);
  std::string line;
  while (vorn::InGetline(line) != vorn::kEndOfInput) {
    srcBlock.appendLine(line);
    checkSize(srcBlock, name);
  }
  srcBlock.endInput();
  vorn::closein();
}

}  // namespace mml
